#pragma once
// The face in face_probe on a real X server, talked to line by line, with the screen as ImageMagick grabs it.
#include <QImage>
#include <QPoint>
#include <QRect>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "process.h"
#include "x_server.h"

namespace kez::ombrel::test {

struct Placed {
    std::string window;
    QRect canvas; // on the screen
};

class FaceOnX {
public:
    // `flags`: "transparent", "tray" (see face_probe); `environment` is added to the X server's.
    FaceOnX(const kez::test::XServer& x, int type, const std::vector<std::string>& flags = {},
            const std::vector<std::string>& environment = {});
    ~FaceOnX();
    FaceOnX(const FaceOnX&) = delete;
    FaceOnX& operator=(const FaceOnX&) = delete;

    std::string command(const std::string& line, std::chrono::milliseconds limit = std::chrono::seconds(30));
    Placed where();
    // The face's next `count` events, waited for; what came when they did not.
    std::vector<std::string> awaitEvents(std::size_t count);
    QImage screen(const std::filesystem::path& file) const;
    // The screen once `condition` holds for it (the window is drawn in its own time).
    QImage screenWhen(const std::filesystem::path& file, const std::function<bool(const QImage&)>& condition) const;

private:
    const kez::test::XServer& x_;
    kez::test::ChildProcess face_;
};

// The window's top left corner on the screen, as the X server has it; (-1, -1) when it has none.
QPoint windowPlace(const kez::test::XServer& x, const std::string& window);

// Where the face's screenshots are kept for people to look at: <build>/face/x-previews.
std::filesystem::path previewFolder();

} // namespace kez::ombrel::test
