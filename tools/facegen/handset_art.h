#pragma once
// The handset lying lengthwise in its cradle in the set's empty left strip.
#include <QPainter>

namespace kez::facegen {

// `scale` maps the large face's coordinates to the face being drawn (1 large, 0.75 small).
void paintHandset(QPainter& painter, qreal scale);

} // namespace kez::facegen
