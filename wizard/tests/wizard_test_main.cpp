// The wizard's windows offscreen, at the logical density the programs use.
#include <gtest/gtest.h>

#include <QApplication>

#include "kez/ui/apt_bridge.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication application(argc, argv);
    const kez::ui::AptBridge bridge;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
