#pragma once
// The page "Welcome": what the wizard does and what the PC needs, with the release notes.
#include <QWidget>

namespace kez::wizard {

class WelcomePage : public QWidget {
    Q_OBJECT

public:
    WelcomePage();
};

} // namespace kez::wizard
