#include "done_page.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "dialog_layout.h"

namespace kez::wizard {

DonePage::DonePage()
    : chkLaunchOmbrel_(namedCheckBox("chkLaunchOmbrel", QStringLiteral("&Start Ombrel when the wizard finishes"))) {
    auto* layout = pageColumn(*this, {
                                         QStringLiteral("The wizard has all it needs."),
                                         QStringLiteral("Press Finish to save your settings. You can run this wizard "
                                                        "again at any time from the Options dialog of Ombrel."),
                                     });
    layout->addWidget(chkLaunchOmbrel_);
    layout->addStretch(1);
}

} // namespace kez::wizard
