#pragma once
// The face's colours and type. The surround and the shadow outside the set are pure greys and everything at
// the body's edge is not, which is how the tests tell the body from its surround.
#include <QColor>

namespace kez::facegen::palette {

inline constexpr const char* kFontFamily = "DejaVu Sans";

inline const QColor kSurround{212, 212, 212};
inline const QColor kShadow{0, 0, 0, 120};
inline const QColor kBody{64, 69, 78};
inline const QColor kBodyRim{104, 110, 122};
inline const QColor kBodyInk{226, 230, 236}; // names printed on the body
inline const QColor kCradle{48, 52, 60};
inline const QColor kHandset{34, 37, 43};
inline const QColor kHandsetSheen{92, 98, 110};
inline const QColor kBezel{30, 33, 38};
inline const QColor kGlass{183, 198, 166};
inline const QColor kGlassRed{222, 48, 40};
inline const QColor kLabelStrip{250, 250, 246};
inline const QColor kLabelRim{150, 156, 166};

inline const QColor kDialCap{236, 236, 230};
inline const QColor kDialInk{28, 30, 34};
inline const QColor kLightCap{204, 208, 214};
inline const QColor kFunctionCap{112, 119, 131};
inline const QColor kFunctionInk{246, 248, 250};
inline const QColor kHoldCap{176, 52, 46};
inline const QColor kKeyShadow{34, 37, 42};

inline const QColor kLedDark{78, 34, 30};
inline const QColor kLedLit{255, 58, 40};
inline const QColor kLedGlint{255, 196, 180};

inline const QColor kLogo{22, 112, 150};
inline const QColor kLogoRim{12, 70, 96};
inline const QColor kLogoInk{255, 255, 255};
inline const QColor kLogoSwoosh{250, 196, 60};

} // namespace kez::facegen::palette
