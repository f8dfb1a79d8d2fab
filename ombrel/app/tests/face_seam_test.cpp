// The program's forms under the controller, with the stand-in engine: the face for "Type" 1 and 2 at its size,
// the simple form for 0, each showing the start-up display.
#include <gtest/gtest.h>

#include <QLabel>

#include "controller_kit.h"
#include "face_seam.h"
#include "form/kz_set_phone_form.h"
#include "ombrel/simple_phone_form.h"

namespace kez::ombrel::test {
namespace {

TEST(ProgramForms, TheFaceShowsWaitingForInitForTypesOneAndTwoAndTheSimpleFormForZero) {
    const struct {
        const char* type;
        bool face;
    } cases[] = {{"1", true}, {"2", true}, {"0", false}};
    QSize large;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        ControllerWorld world(programPhoneForms());
        setMachineValue("UI", "Type", c.type);
        ASSERT_TRUE(world.start());
        world.controller().Show();
        auto* form = world.controller().phoneForm();
        auto* face = dynamic_cast<KzSetPhoneForm*>(form);
        ASSERT_EQ(face != nullptr, c.face);
        if (!c.face) {
            EXPECT_NE(dynamic_cast<SimplePhoneForm*>(form), nullptr);
            continue;
        }
        EXPECT_EQ(face->lblDisplay(1)->text(), "KEZ Ombrel");
        EXPECT_EQ(face->lblDisplay(2)->text(), "Waiting for Init");
        if (large.isEmpty()) {
            large = face->size();
        } else {
            EXPECT_LT(face->width(), large.width()) << "the small face";
        }
    }
}

} // namespace
} // namespace kez::ombrel::test
