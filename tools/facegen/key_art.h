#pragma once
// Drawing of one picture of the face (a key cap at rest or pressed, an LED unlit or lit, the logo) into its
// own rectangle of a whole-face painting. Nothing is drawn outside the rectangle, so the body around it stays
// as the face painting left it.
#include <QPainter>
#include <QRect>

#include "layout/face_types.h"

namespace kez::facegen {

void paintPicture(QPainter& painter, ombrel::face::FaceSize size, const ombrel::face::PictureRef& picture,
                  const QRect& rect);

} // namespace kez::facegen
