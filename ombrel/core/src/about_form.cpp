#include "ombrel/about_form.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "kez/ui/desktop_tools.h"
#include "kez/ui/message_boxes.h"
#include "kez/ui/metrics.h"
#include "ombrel/kez_logo.h"
#include "ombrel/titles.h"

namespace kez::ombrel {
namespace {

constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kWarningWidth = 280;
constexpr int kLogoHeight = 40;

QString text(std::string_view value) { return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())); }

// The label's size for its text, wrapped at `width` when it wraps.
QSize measured(const QLabel& label, int width) {
    const QFontMetrics metrics(label.font());
    if (!label.wordWrap()) return metrics.size(Qt::TextSingleLine, label.text());
    return metrics.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, label.text()).size();
}

} // namespace

std::string programVersionText() {
    return std::to_string(KEZ_VERSION_MAJOR) + "." + std::to_string(KEZ_VERSION_MINOR) + "." +
           std::to_string(KEZ_VERSION_PATCH);
}

AboutForm::AboutForm(QWidget* parent)
    : QDialog(parent), Picture1_(new QLabel(this)), lblTitle_(new QLabel(this)), lblVersion_(new QLabel(this)),
      lblWarning_(new QLabel(this)), cmdOk_(new QPushButton(QStringLiteral("OK"), this)),
      cmdSysInfo_(new QPushButton(QStringLiteral("&System Info..."), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("AboutForm"));
    Picture1_->setObjectName(QStringLiteral("Picture1"));
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    lblWarning_->setObjectName(QStringLiteral("lblWarning"));
    cmdOk_->setObjectName(QStringLiteral("cmdOk"));
    cmdSysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));

    setWindowTitle(QStringLiteral("About ") + text(kOmbrelTitle));
    lblTitle_->setText(text(kOmbrelTitle));
    QFont title = lblTitle_->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    lblTitle_->setFont(title);
    lblWarning_->setText(
        QStringLiteral("Use of this program is subject to its licence. Do not rely on it alone for emergency calls."));
    lblWarning_->setWordWrap(true);
    lblVersion_->setText(QStringLiteral("Version R") + text(programVersionText()));
    Picture1_->setPixmap(kezLogo(kLogoHeight));
    cmdOk_->setDefault(true);
    connect(cmdOk_, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSysInfo_, &QPushButton::clicked, this, &AboutForm::StartSysInfo);
    arrange(ui::Metrics::twipsPerPixel());
}

void AboutForm::arrange(int twipsPerPixel) {
    const QSize picture = Picture1_->pixmap().size();
    const QSize title = measured(*lblTitle_, kWarningWidth);
    const QSize version = measured(*lblVersion_, kWarningWidth);
    const QSize warning = measured(*lblWarning_, kWarningWidth);
    const int textWidth = std::max({title.width(), version.width(), warning.width()});
    const bool sideBySide = twipsPerPixel >= 15;
    const QPoint texts = sideBySide ? QPoint(kMargin + picture.width() + kGap, kMargin)
                                    : QPoint(kMargin, kMargin + picture.height() + kGap);
    Picture1_->setGeometry(QRect(QPoint(kMargin, kMargin), picture));
    lblTitle_->setGeometry(QRect(texts, QSize(textWidth, title.height())));
    lblVersion_->setGeometry(QRect(texts + QPoint(0, title.height() + kGap), QSize(textWidth, version.height())));
    lblWarning_->setGeometry(
        QRect(lblVersion_->geometry().bottomLeft() + QPoint(0, kGap + 1), QSize(textWidth, warning.height())));
    const QSize button = cmdSysInfo_->sizeHint().expandedTo(cmdOk_->sizeHint());
    const int width = texts.x() + textWidth + kMargin;
    const int buttonsTop = std::max(lblWarning_->geometry().bottom(), Picture1_->geometry().bottom()) + kMargin;
    cmdSysInfo_->setGeometry(QRect(QPoint(width - kMargin - button.width(), buttonsTop), button));
    cmdOk_->setGeometry(QRect(QPoint(width - kMargin - 2 * button.width() - kGap, buttonsTop), button));
    setFixedSize(width, buttonsTop + button.height() + kMargin);
}

void AboutForm::StartSysInfo() {
    if (ui::startSystemInformation()) return;
    ui::showMessageBox("System Information Is Unavailable At This Time", {}, ui::Icon::None, ui::Buttons::Ok);
}

} // namespace kez::ombrel
