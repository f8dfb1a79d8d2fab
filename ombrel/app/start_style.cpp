#include "start_style.h"

namespace kez::ombrel {

QIcon StartStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const {
    if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton) {
        return QProxyStyle::standardIcon(icon, option, widget);
    }
    return QIcon(standardPixmap(icon, option, widget));
}

} // namespace kez::ombrel
