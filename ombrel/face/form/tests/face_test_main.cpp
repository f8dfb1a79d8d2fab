// The face's tests run offscreen, at the density QT_FONT_DPI names, with the fonts the face asks for mapped.
#include <gtest/gtest.h>

#include <QApplication>

#include "kez/ui/metrics.h"

int main(int argc, char** argv) {
    kez::ui::setQtEnvironment("offscreen");
    QApplication application(argc, argv);
    kez::ui::installFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
