#pragma once
// The set's icon for menus and the desktop (the hicolor theme's "kez-ombrel"): the KEZ mark of the face's logo,
// a blue badge with the name and the yellow swoosh, drawn square on a transparent ground.
#include <QImage>
#include <QString>

namespace kez::facegen {

inline constexpr int kAppIconSizes[] = {48, 256};

QImage drawAppIcon(int pixels);
// <work folder>/icons/hicolor/<N>x<N>/apps/kez-ombrel.png for each size.
QString appIconFile(const QString& workFolder, int pixels);

} // namespace kez::facegen
