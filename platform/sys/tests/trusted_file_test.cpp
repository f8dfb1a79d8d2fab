// Which files may name code or programs, as this process's own user. (Other users' files: the privileged tests
// of the registry.)
#include "kez/sys/trusted_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "temp_dir.h"

namespace kez::sys {
namespace {
namespace fs = std::filesystem;

TEST(TrustedFile, OnlyAFileNoOneElseCanChangeInAFolderNoOneElseCanChangeIsTrusted) {
    enum class Kind { File, LinkToFile, LinkedFolder, Fifo, Missing, Relative };
    struct {
        Kind kind;
        mode_t file;
        mode_t folder;
        const char* refusal; // what follows the path; nullptr: trusted
        int error;
    } const cases[] = {
        {Kind::File, 0755, 0755, nullptr, 0},
        {Kind::File, 0775, 0755, ": writable by others", 0},
        {Kind::File, 0646, 0755, ": writable by others", 0},
        {Kind::File, 0755, 02775, ": writable by others", 0},
        {Kind::File, 0755, 01777, ": writable by others", 0},
        {Kind::LinkToFile, 0755, 0755, ": a symbolic link", ELOOP},
        {Kind::LinkedFolder, 0755, 0755, ": a symbolic link", ENOTDIR},
        {Kind::Fifo, 0600, 0755, ": not a regular file", 0},
        {Kind::Missing, 0755, 0755, ": No such file or directory", ENOENT},
        {Kind::Relative, 0755, 0755, ": not an absolute file name", EINVAL},
    };
    for (const auto& c : cases) {
        const test::TempDir top("kez-trust");
        const auto folder = top / "lib";
        fs::create_directory(folder);
        auto path = folder / "lib.so";
        if (c.kind == Kind::Fifo) ::mkfifo(path.c_str(), c.file);
        if (c.kind != Kind::Fifo) test::writeFile(path, "code");
        ::chmod(path.c_str(), c.file);
        ::chmod(folder.c_str(), c.folder);
        if (c.kind == Kind::LinkToFile) fs::create_symlink(path, path = folder / "link.so");
        if (c.kind == Kind::LinkedFolder) fs::create_directory_symlink(folder, top / "link");
        if (c.kind == Kind::LinkedFolder) path = top / "link" / "lib.so";
        if (c.kind == Kind::Missing) path = folder / "none.so";
        if (c.kind == Kind::Relative) path = "lib.so";
        SCOPED_TRACE(path.string() + " " + std::to_string(c.file) + " " + std::to_string(c.folder));

        const auto opened = openTrustedFile(path);
        EXPECT_EQ(opened.error, c.error);
        if (c.refusal == nullptr) {
            EXPECT_EQ(opened.refusal, "");
            EXPECT_EQ(test::readFile(opened.throughFolder()), "code");
        } else {
            const bool folderNamed = c.folder != 0755 || c.kind == Kind::LinkedFolder;
            EXPECT_EQ(opened.refusal, (folderNamed ? path.parent_path() : path).string() + c.refusal);
            EXPECT_FALSE(opened.file);
        }
    }
}

} // namespace
} // namespace kez::sys
