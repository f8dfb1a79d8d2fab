#include <QFont>
#include <QGuiApplication>
#include <QScreen>

#include "kez/ui/metrics.h"

namespace kez::ui {

int Metrics::logicalDpiX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen != nullptr ? static_cast<int>(screen->logicalDotsPerInchX() + 0.5) : 96;
    return dpi > 0 ? dpi : 96;
}

int Metrics::twipsPerPixel() { return 1440 / logicalDpiX(); }

void setQtEnvironment(const char* defaultPlatform) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", defaultPlatform);
}

void installFontSubstitutions() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    QFont::insertSubstitutions(QStringLiteral("Small Fonts"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
}

} // namespace kez::ui
