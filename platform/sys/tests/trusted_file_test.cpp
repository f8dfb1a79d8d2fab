// Which files may name code or programs: modes, links and kinds of file and folder, as this process's own user.
// (Files of other users: the registry's and class registry's privileged tests.)
#include "kez/sys/trusted_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "temp_dir.h"

namespace kez::sys {
namespace {
namespace fs = std::filesystem;

TEST(TrustedFile, OnlyAFileNoOneElseCanChangeInAFolderNoOneElseCanChangeIsTrusted) {
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& folder)> arrange; // makes the file, returns the path to check
        const char* refusal; // what the refusal says after the path; nullptr: trusted
        int error = 0;
    };
    const auto file = [](const fs::path& folder, mode_t fileMode, mode_t folderMode) {
        test::writeFile(folder / "lib.so", "code");
        ::chmod((folder / "lib.so").c_str(), fileMode);
        ::chmod(folder.c_str(), folderMode);
        return folder / "lib.so";
    };
    const Case cases[] = {
        {"private", [&](const fs::path& f) { return file(f, 0755, 0755); }, nullptr},
        {"read-only", [&](const fs::path& f) { return file(f, 0400, 0700); }, nullptr},
        {"group-writable file", [&](const fs::path& f) { return file(f, 0775, 0755); }, ": writable by others"},
        {"world-writable file", [&](const fs::path& f) { return file(f, 0646, 0755); }, ": writable by others"},
        {"group-writable folder", [&](const fs::path& f) { return file(f, 0755, 02775); }, ": writable by others"},
        {"sticky world-writable folder", [&](const fs::path& f) { return file(f, 0755, 01777); },
         ": writable by others"},
        {"file is a link",
         [&](const fs::path& f) {
             fs::create_symlink(file(f, 0755, 0755), f / "link.so");
             return f / "link.so";
         },
         ": a symbolic link", ELOOP},
        {"folder is a link",
         [&](const fs::path& f) {
             file(f, 0755, 0755);
             fs::create_directory_symlink(f, f.parent_path() / (f.filename().string() + "-link"));
             return f.parent_path() / (f.filename().string() + "-link") / "lib.so";
         },
         ": a symbolic link", ENOTDIR},
        {"FIFO",
         [&](const fs::path& f) {
             ::mkfifo((f / "lib.so").c_str(), 0600);
             return f / "lib.so";
         },
         ": not a regular file"},
        {"folder", [&](const fs::path& f) { return f; }, ": not a regular file"},
        {"missing", [&](const fs::path& f) { return f / "none.so"; }, ": No such file or directory", ENOENT},
        {"relative", [&](const fs::path&) { return fs::path("lib.so"); }, ": not an absolute file name", EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempDir top("kez-trust");
        const auto folder = top / "lib";
        fs::create_directory(folder);
        const auto path = c.arrange(folder);
        const auto opened = openTrustedFile(path);
        EXPECT_EQ(static_cast<bool>(opened), c.refusal == nullptr) << opened.refusal;
        EXPECT_EQ(opened.error, c.error);
        if (c.refusal != nullptr) {
            EXPECT_TRUE(opened.refusal.ends_with(c.refusal)) << opened.refusal;
            EXPECT_FALSE(opened.file);
        } else {
            EXPECT_TRUE(opened.file);
            EXPECT_EQ(test::readFile(opened.throughFolder()), "code");
        }
        ::chmod(folder.c_str(), 0700); // the folder's removal needs it
    }
}

TEST(TrustedFile, AFolderIsJudgedAlone) {
    const test::TempDir top("kez-trust");
    ::chmod(top.path().c_str(), 0755);
    EXPECT_EQ(folderRefusal(top.path()), "");
    ::chmod(top.path().c_str(), 0775);
    EXPECT_EQ(folderRefusal(top.path()), top.path().string() + ": writable by others");
    int error = 0;
    EXPECT_NE(folderRefusal(top / "missing", &error), "");
    EXPECT_EQ(error, ENOENT);
}

} // namespace
} // namespace kez::sys
