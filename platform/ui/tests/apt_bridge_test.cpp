// The Qt side of the user interface services under the offscreen platform: the apartment bridge, message
// boxes and the screen measures the layouts use.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QFontInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "kez/apt/apartment.h"
#include "kez/ui/apt_bridge.h"
#include "kez/ui/metrics.h"
#include "kez/ui/qt_message_boxes.h"

namespace kez::ui {
namespace {

constexpr apt::MessageId kTicket = apt::WM_USER + 1;
constexpr apt::MessageId kNested = apt::WM_USER + 2;

TEST(AptBridge, DeliversPostsFromManyThreadsInPostingOrderOnTheGuiThread) {
    AptBridge bridge;
    ASSERT_TRUE(bridge.bridged());
    constexpr int kThreads = 8;
    constexpr int kEach = 500;
    std::vector<std::uint64_t> received;
    bool offThread = false;
    const auto guiThread = std::this_thread::get_id();
    QEventLoop loop;
    apt::HiddenWindow window("bridge test", [&](apt::Message& message) -> apt::Result {
        offThread |= std::this_thread::get_id() != guiThread;
        received.push_back(message.w);
        if (received.size() == kThreads * kEach) loop.quit();
        return 0;
    });
    // A ticket taken and posted under one lock gives the order the queue must keep across threads.
    std::mutex posting;
    std::uint64_t nextTicket = 0;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                std::lock_guard lock(posting);
                window.post({kTicket, nextTicket++, 0, {}});
            }
        });
    }
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    for (auto& poster : posters)
        poster.join();
    ASSERT_EQ(received.size(), static_cast<std::size_t>(kThreads * kEach));
    for (std::size_t i = 0; i < received.size(); ++i)
        ASSERT_EQ(received[i], i);
    EXPECT_FALSE(offThread);
}

TEST(AptBridge, ANestedWaitKeepsQtTimersFiring) {
    AptBridge bridge;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    bool waited = false;
    QEventLoop loop;
    apt::HiddenWindow window("nested wait", [&](apt::Message& message) -> apt::Result {
        if (message.id != kNested) return 0;
        waited = apt::Apartment::current().pumpFor(sys::Timeout(5000), [&] { return ticks >= 5; });
        loop.quit();
        return 0;
    });
    window.post({kNested, 0, 0, {}});
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(waited);
}

TEST(QtMessageBoxes, ShowTheBoxOnTheGuiThreadAndReturnTheButtonPressed) {
    QStringList seen;
    // Presses "No" on the box once it shows (a box that never shows leaves the test to its time limit).
    std::function<void(int)> pressNo = [&](int attempts) {
        QTimer::singleShot(20, [&, attempts] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(window); box != nullptr && box->isVisible()) {
                    seen << box->windowTitle() << box->text() << QString::number(box->icon());
                    box->button(QMessageBox::No)->click();
                    return;
                }
            }
            if (attempts > 0) pressNo(attempts - 1);
        });
    };
    const MessageBox restart{"These settings will be activated\r\n\r\nRestart now?", "Restart?", Icon::Question,
                             Buttons::YesNo};
    pressNo(500);
    EXPECT_EQ(QtMessageBoxes().show(restart), Answer::No);
    Answer fromWorker = Answer::Yes;
    QEventLoop loop;
    pressNo(500);
    std::thread worker([&] {
        fromWorker = QtMessageBoxes().show(restart);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit);
    });
    loop.exec();
    worker.join();
    EXPECT_EQ(fromWorker, Answer::No);
    const QString question = QString::number(QMessageBox::Question);
    const QString text = "These settings will be activated\n\nRestart now?";
    EXPECT_EQ(seen, QStringList({"Restart?", text, question, "Restart?", text, question}));
}

TEST(Metrics, CountTwipsAtTheScreensDensityAndSubstituteTheLayoutFonts) {
    EXPECT_EQ(Metrics::twipsPerPixel(), 15); // the offscreen screen has 96 pixels per inch
    installFontSubstitutions();
    EXPECT_EQ(QFontInfo(QFont("Courier New")).family(), "Liberation Mono");
    EXPECT_EQ(QFontInfo(QFont("MS Sans Serif")).family(), "Liberation Sans");
}

} // namespace
} // namespace kez::ui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
