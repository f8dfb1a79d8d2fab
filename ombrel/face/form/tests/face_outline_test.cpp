// The shaped window and the canvas's mouse handling, offscreen: events go to the window as the system sends them.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <memory>

#include "face_test_kit.h"
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "layout/outlines.h"

namespace kez::ombrel::test {
namespace {

using face::FaceSize;

QPolygon outlineAt(FaceSize size, QPoint offset) {
    QPolygon polygon;
    for (const auto& point : face::outline(size))
        polygon << QPoint(point.x, point.y) + offset;
    return polygon;
}

TEST(FaceOutline, ShapesTheWindowToTheSetBelowTheMenuBar) {
    for (std::int16_t type : {1, 2, 0, 7}) {
        FaceWorld world;
        KzSetPhoneForm form;
        form.loadFor(world.options(type));
        form.show();
        const FaceSize size = type == 1 ? FaceSize::Large : FaceSize::Small;
        const QPoint offset = form.canvas().pos();
        EXPECT_EQ(offset, QPoint(0, form.menuBar()->height())) << type;
        const QRegion expected(outlineAt(size, offset), Qt::WindingFill);
        EXPECT_FALSE(form.outline().isShaped());

        form.mToggleClippingRegion();
        EXPECT_TRUE(form.outline().isShaped()) << type;
        EXPECT_EQ(form.mask(), expected) << type;
        EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));

        form.mToggleClippingRegion();
        EXPECT_TRUE(form.mask().isEmpty()) << type;
        EXPECT_FALSE(form.windowFlags().testFlag(Qt::FramelessWindowHint));

        form.mToggleClippingRegion();
        EXPECT_EQ(form.mask(), expected) << type;
        EXPECT_EQ(form.outline().points(), outlineAt(size, offset)) << "one build per load";
        EXPECT_TRUE(world.boxes().empty());
    }
}

TEST(FaceOutline, DoubleClickOnTheBackgroundTogglesIt) {
    FaceWorld world;
    KzSetPhoneForm form;
    form.loadFor(world.options(2));
    form.show();
    QWindow* window = form.windowHandle();
    const QPoint background = form.canvas().mapTo(&form, QPoint(60, 40));
    QTest::mouseDClick(window, Qt::LeftButton, {}, background);
    EXPECT_TRUE(form.outline().isShaped());
    // On a key nothing changes.
    const auto* key = form.picture({face::Control::DTMF, face::Side::Up, 5});
    QTest::mouseDClick(window, Qt::LeftButton, {}, form.canvas().mapTo(&form, key->rect().center()));
    EXPECT_TRUE(form.outline().isShaped());
    QTest::mouseDClick(window, Qt::LeftButton, {}, background);
    EXPECT_FALSE(form.outline().isShaped());
}

TEST(FaceOutline, EachBuildStartsAfresh) {
    FaceOutline outline;
    for (FaceSize size : {FaceSize::Small, FaceSize::Large, FaceSize::Large}) {
        outline.build(size, QPoint(0, 20));
        EXPECT_EQ(outline.points(), outlineAt(size, QPoint(0, 20)));
    }
}

TEST(FaceCanvas, ReleaseReachesThePictureHiddenInItsOwnPress) {
    FaceWorld world;
    ShownFace face(world, 1);
    auto& [owner, form] = face;
    PictureItem* up = form.picture({face::Control::DTMF, face::Side::Up, 5});
    PictureItem* down = form.picture({face::Control::DTMF, face::Side::Down, 5});
    // As the controller does on a press: the key's button object shows it pressed.
    QObject::connect(&form.canvas(), &FaceCanvas::pictureMouseDown, [&](PictureItem* picture) {
        if (picture == up) owner.buttons.item("5")->ImagePushDown();
    });
    QSignalSpy released(&form.canvas(), &FaceCanvas::pictureMouseUp);
    const QPoint at = form.canvas().mapTo(&form, up->rect().center());
    QTest::mousePress(form.windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_FALSE(up->isVisible());
    EXPECT_TRUE(down->isVisible());
    QTest::mouseRelease(form.windowHandle(), Qt::LeftButton, {}, at);
    ASSERT_EQ(released.count(), 1);
    EXPECT_EQ(released[0][0].value<PictureItem*>(), up);
}

TEST(FaceCanvas, DisabledPictureLooksTheSameAndPassesThePressOn) {
    FaceWorld world;
    KzSetPhoneForm form;
    form.loadFor(world.options(1));
    form.show();
    PictureItem* key = form.picture({face::Control::DTMF, face::Side::Up, 5});
    const QImage enabled = form.canvas().grab().toImage();
    key->setEnabled(false);
    EXPECT_EQ(form.canvas().grab().toImage(), enabled);
    QSignalSpy onPicture(&form.canvas(), &FaceCanvas::pictureMouseDown);
    QSignalSpy onBackground(&form.canvas(), &FaceCanvas::backgroundMouseDown);
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, form.canvas().mapTo(&form, key->rect().center()));
    EXPECT_EQ(onPicture.count(), 0);
    EXPECT_EQ(onBackground.count(), 1);
}

} // namespace
} // namespace kez::ombrel::test
