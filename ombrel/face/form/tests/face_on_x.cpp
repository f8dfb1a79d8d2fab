#include "face_on_x.h"

#include <gtest/gtest.h>

#include <sstream>

#include "eventually.h"

namespace kez::ombrel::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

FaceOnX::FaceOnX(const kez::test::XServer& x, int type, const std::vector<std::string>& flags,
                 const std::vector<std::string>& environment)
    : x_(x) {
    std::vector<std::string> argv{FACE_PROBE, std::to_string(type)};
    argv.insert(argv.end(), flags.begin(), flags.end());
    auto env = x.environment();
    env.insert(env.end(), environment.begin(), environment.end());
    EXPECT_TRUE(face_.start(argv, env));
    // A tray host may take its time to come up.
    EXPECT_EQ(face_.readLine(90s), "ready");
}

FaceOnX::~FaceOnX() {
    face_.sendLine("quit");
    face_.wait();
}

std::string FaceOnX::command(const std::string& line, std::chrono::milliseconds limit) {
    face_.sendLine(line);
    return face_.readLine(limit).value_or("");
}

Placed FaceOnX::where() {
    std::istringstream in(command("where"));
    Placed placed;
    int x = 0, y = 0, w = 0, h = 0;
    in >> placed.window >> x >> y >> w >> h;
    placed.canvas = QRect(x, y, w, h);
    return placed;
}

std::vector<std::string> FaceOnX::awaitEvents(std::size_t count) {
    EXPECT_EQ(command("await " + std::to_string(count), 120s), "ok") << count << " events";
    std::vector<std::string> events;
    std::istringstream in(command("events"));
    for (std::string event; std::getline(in, event, ',');)
        events.push_back(event);
    return events;
}

QImage FaceOnX::screen(const fs::path& file) const {
    EXPECT_TRUE(x_.grab(file));
    return QImage(QString::fromStdString(file.string()));
}

QImage FaceOnX::screenWhen(const fs::path& file, const std::function<bool(const QImage&)>& condition) const {
    QImage image;
    kez::test::eventually([&] { return condition(image = screen(file)); }, 60s);
    return image;
}

QPoint windowPlace(const kez::test::XServer& x, const std::string& window) {
    const auto info = x.run({"xwininfo", "-id", window}).out;
    const auto left = info.find("Absolute upper-left X:");
    const auto top = info.find("Absolute upper-left Y:");
    if (left == std::string::npos || top == std::string::npos) return {-1, -1};
    return {std::stoi(info.substr(left + 22)), std::stoi(info.substr(top + 22))};
}

fs::path previewFolder() {
    const auto folder = fs::path(KEZ_BINARY_DIR) / "face" / "x-previews";
    fs::create_directories(folder);
    return folder;
}

} // namespace kez::ombrel::test
