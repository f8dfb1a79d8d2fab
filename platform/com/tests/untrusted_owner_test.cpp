// As root: a library, or its folder, that another user owns is not loaded, even from root's own registration.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <filesystem>

#include "kez/com/class_registry.h"
#include "kez/com/error_info.h"
#include "kez/reg/key.h"
#include "privileged.h"
#include "scoped_registry.h"
#include "temp_dir.h"
#include "test_server/test_server.h"

namespace kez::com {
namespace {
namespace fs = std::filesystem;

TEST(UntrustedOwner, ALibraryOrFolderOfAnotherUserIsNotLoaded) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) KEZ_SKIP_OR_FAIL("needs root and the user nobody");
    const kez::test::ScopedRegistry registry;
    for (const bool ownFolder : {false, true}) {
        SCOPED_TRACE(ownFolder ? "folder of nobody's" : "library of nobody's");
        const kez::test::TempDir folder("kez-module");
        fs::permissions(folder.path(), fs::perms(0755));
        const auto copy = folder / "libserver.so";
        fs::copy_file(KEZ_TEST_SERVER_PATH, copy);
        const auto owned = ownFolder ? folder.path() : copy;
        ASSERT_EQ(::chown(owned.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        reg::Key server;
        ASSERT_EQ(reg::Key::create(reg::Hive::ClassesRoot, "CLSID\\" + test::kGreeterClass.str() + "\\InprocServer32",
                                   reg::Access::ReadWrite, server),
                  reg::Status::Ok);
        ASSERT_EQ(server.setString("", copy.string()), reg::Status::Ok);
        Ptr<Object> object;
        EXPECT_EQ(ClassRegistry::create(test::kGreeterClass, object), REGDB_E_CLASSNOTREG);
        const auto info = takeErrorInfo();
        ASSERT_TRUE(info);
        EXPECT_EQ(info->description, owned.string() + ": not owned by root");
    }
}

} // namespace
} // namespace kez::com
