#pragma once
// One picture of the graphical face as a button object drives it: a key at rest or pressed, an LED unlit or
// lit. The face draws its pictures itself (windowless items); this is all a button needs of one.
#include <cstdint>
#include <string_view>

namespace kez::ombrel {

class FacePicture {
public:
    virtual ~FacePicture() = default;

    virtual void show() = 0;
    virtual void hide() = 0;
    // Draws the picture again at once, not at the next paint.
    virtual void repaint() = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setToolTip(std::string_view text) = 0;
    // The context-help topic of the picture; 0 for none.
    virtual void setHelpTopic(std::int16_t topic) = 0;
};

} // namespace kez::ombrel
