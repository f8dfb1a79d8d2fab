#pragma once
// The page "Done!": Finish saves; its box starts ombrel after that.
#include <QWidget>

class QCheckBox;

namespace kez::wizard {

class DonePage : public QWidget {
    Q_OBJECT

public:
    DonePage();

    QCheckBox& chkLaunchOmbrel() const { return *chkLaunchOmbrel_; }

private:
    QCheckBox* chkLaunchOmbrel_;
};

} // namespace kez::wizard
