// The program's style in a process of its own: a menu bar costs no image plugin, and its arrows still show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>

#include <fstream>
#include <sstream>

#include "start_style.h"

namespace kez::ombrel {
namespace {

std::string mappedFiles() {
    std::ifstream maps("/proc/self/maps");
    return (std::ostringstream() << maps.rdbuf()).str();
}

TEST(StartStyle, AMenuBarLoadsNoImagePluginAndKeepsItsArrows) {
    QApplication::setStyle(new StartStyle);
    const QMenuBar bar;
    EXPECT_EQ(mappedFiles().find("/imageformats/"), std::string::npos);
    for (const auto arrow : {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        const QImage shown = QApplication::style()->standardIcon(arrow).pixmap(16).toImage();
        EXPECT_FALSE(shown.isNull());
        EXPECT_EQ(shown, QApplication::style()->standardPixmap(arrow, nullptr, nullptr).toImage());
    }
}

} // namespace
} // namespace kez::ombrel

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
