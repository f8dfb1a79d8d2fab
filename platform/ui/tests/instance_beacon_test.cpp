// The holder's side of the instance socket, met by a later copy's raw connection.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <QCoreApplication>

#include <cstring>
#include <string>
#include <vector>

#include "eventually.h"
#include "kez/ui/instance_beacon.h"
#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::ui {
namespace {

TEST(InstanceBeacon, TheHolderComesForwardForEachActivateLineAndCutsOffLongLines) {
    const test::TempDir runtime("kez-beacon");
    const test::ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.path().string());
    InstanceBeacon holder("KEZ Beacon (TM)");
    ASSERT_TRUE(holder.isFirst() && holder.error().empty()) << holder.error();
    int requests = 0;
    QObject::connect(&holder, &InstanceBeacon::activateRequested, [&] { ++requests; });
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path, (InstanceBeacon::folder() / "KEZ-Beacon-TM.socket").c_str());
    const struct {
        std::vector<std::string> writes;
        int requests;
        bool cutOff; // the holder hangs up while the peer still holds its end
    } cases[] = {
        {{"activate\nactivate\n"}, 2, false},
        {{"acti", "vate\n"}, 1, false},
        {{"activate now\nactivate"}, 0, false},
        {{"activate\n" + std::string(100, 'a')}, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.writes.front());
        requests = 0;
        const sys::UniqueFd peer(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_EQ(::connect(peer.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        for (const auto& bytes : c.writes) {
            ASSERT_EQ(::send(peer.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
            QCoreApplication::processEvents();
        }
        if (!c.cutOff) ::shutdown(peer.get(), SHUT_WR);
        char byte = 0;
        EXPECT_TRUE(test::eventually([&] {
            QCoreApplication::processEvents();
            return ::recv(peer.get(), &byte, 1, MSG_DONTWAIT) == 0 && holder.children().isEmpty();
        })) << "the holder did not hang up";
        EXPECT_EQ(requests, c.requests);
    }
    struct stat info {};
    ASSERT_EQ(::stat(address.sun_path, &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "the socket is the user's alone";
}

} // namespace
} // namespace kez::ui
