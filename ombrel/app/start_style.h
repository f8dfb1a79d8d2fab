#pragma once
// The application's style: the platform's own, except that the menu bar's overflow arrows are read as the
// PNG pictures they are. The style's own icon loading probes every image plugin's library (GIF, ICO, JPEG) to
// learn a resource's format, which cost every start a few milliseconds for an arrow the set's menu bar, never
// too narrow for its menus, does not show.
#include <QProxyStyle>

namespace kez::ombrel {

class StartStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace kez::ombrel
