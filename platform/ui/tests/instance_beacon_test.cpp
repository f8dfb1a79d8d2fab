// The holder's side of the instance socket, met by a later copy's raw connection: which lines bring the holder
// to the front, and which peers it cuts off.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>

#include <cstring>
#include <string>
#include <vector>

#include "eventually.h"
#include "kez/sys/fd.h"
#include "kez/ui/instance_beacon.h"
#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::ui {
namespace {

sys::UniqueFd connectTo(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    sys::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return {};
    return socket;
}

// Runs the holder's event loop until `condition` holds.
template <typename Condition>
bool served(Condition condition) {
    return test::eventually([&] {
        QCoreApplication::processEvents();
        return condition();
    });
}

TEST(InstanceBeacon, TheHolderComesForwardForEachActivateLineAndCutsOffLongLines) {
    const test::TempDir runtime("kez-beacon");
    const test::ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.path().string());
    InstanceBeacon holder("KEZ Beacon (TM)");
    ASSERT_TRUE(holder.isFirst());
    ASSERT_EQ(holder.error(), "");
    const auto socketFile = InstanceBeacon::folder() / "KEZ-Beacon-TM.socket";
    int requests = 0;
    QObject::connect(&holder, &InstanceBeacon::activateRequested, [&] { ++requests; });

    const struct {
        const char* what;
        std::vector<std::string> writes;
        int requests;
        bool cutOff; // the holder hangs up while the peer still holds its end
    } cases[] = {
        {"one request", {"activate\n"}, 1, false},
        {"two in one write", {"activate\nactivate\n"}, 2, false},
        {"split across writes", {"acti", "vate\n"}, 1, false},
        {"another line first", {"front\nactivate\n"}, 1, false},
        {"no line end", {"activate"}, 0, false},
        {"other words", {"activate now\n"}, 0, false},
        {"a line longer than any request", {std::string(100, 'a')}, 0, true},
        {"a request after a long line", {std::string(100, 'a') + "\nactivate\n"}, 1, false},
        {"a long line after a request", {"activate\n" + std::string(100, 'a')}, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        requests = 0;
        const sys::UniqueFd peer = connectTo(socketFile);
        ASSERT_TRUE(peer);
        for (const auto& bytes : c.writes) {
            ASSERT_EQ(::send(peer.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
            QCoreApplication::processEvents();
        }
        if (c.cutOff) {
            char byte = 0;
            EXPECT_TRUE(served([&] { return ::recv(peer.get(), &byte, 1, MSG_DONTWAIT) == 0; }));
        } else {
            ::shutdown(peer.get(), SHUT_WR);
            EXPECT_TRUE(served([&] { return holder.children().isEmpty() && requests >= c.requests; }));
        }
        EXPECT_TRUE(served([&] { return holder.children().isEmpty(); })) << "the connection's reader stays";
        EXPECT_EQ(requests, c.requests);
    }
    // The socket is the user's alone.
    struct stat info {};
    ASSERT_EQ(::stat(socketFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
}

} // namespace
} // namespace kez::ui
