#pragma once
// Acting on a modal dialog from inside its exec(): the test arms a WhenModalShows, then presses the button
// that opens the dialog.
#include <QDialog>
#include <QTimer>

#include <functional>

namespace kez::wizard::test {

// While it lives, the next modal dialog to show has `act` run on it once, inside its exec(). A dialog that
// `act` leaves open is hidden, and the test fails, so no test waits on it for ever.
class WhenModalShows {
public:
    explicit WhenModalShows(std::function<void(QDialog&)> act);
    bool ran() const { return ran_; }

private:
    std::function<void(QDialog&)> act_;
    QTimer poll_;
    bool ran_ = false;
};

} // namespace kez::wizard::test
