// The timers' dispatch, the tray icon, bringing the phone window up, its saved position and the close choice.
#include <algorithm>
#include <limits>

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "kez/ui/launcher.h"
#include "kez/ui/metrics.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/timers_form.h"
#include "ombrel/ui_wrapper.h"

namespace kez::ombrel {
namespace {

constexpr std::int16_t kNoPosition = -1;
// The part of the window that must lie on a screen for a stored position to be used.
constexpr int kReachableSquare = 32;

std::int16_t twips(int pixels) {
    const long value = static_cast<long>(pixels) * ui::Metrics::twipsPerPixel();
    return static_cast<std::int16_t>(
        std::clamp<long>(value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

bool reachable(const QPoint& topLeft) {
    const QRect square(topLeft, QSize(kReachableSquare, kReachableSquare));
    const auto screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(),
                       [&](const QScreen* screen) { return screen->geometry().contains(square); });
}

} // namespace

void UIWrapperClass::moTimerForm_Timeout(int index) {
    handle("moTimerForm_Timeout", [&] {
        switch (index) {
        case kBlinkTimer: return mRefreshLEDs();
        case kClockTimer: return mUpdateTime();
        case kFlashTimer: return form_->FlipLCDState();
        default: return;
        }
    });
}

void UIWrapperClass::moTimerForm_ScrambledAudioTimer() {
    handle("moTimerForm_ScrambledAudioTimer", [this] {
        mbAutoIPFailurePending_ = false;
        moTimerForm_->tmrScrambledWait().stop();
    });
}

void UIWrapperClass::mAddToSystemTray() {
    mCancelOptionsDialog();
    moTimerForm_->addTrayIcon();
}

void UIWrapperClass::mRemoveFromSystemTray() { moTimerForm_->removeTrayIcon(); }

bool UIWrapperClass::bTrayIconShown() const { return moTimerForm_ && moTimerForm_->trayIconShown(); }

void UIWrapperClass::mCancelOptionsDialog() {
    if (services_.dialogs) services_.dialogs->cancelOptions();
}

void UIWrapperClass::mCloseScreenSaver() { ui::Launcher::startDetached("xdg-screensaver", {"reset"}); }

void UIWrapperClass::ActivateUI(bool bForce) {
    gRunLogged("UIWrapperClass.ActivateUI", [&] {
        mCloseScreenSaver();
        if (!form_ || (!bForce && !oOptions().bDisplayIncomingPopUp)) return;
        form_->restoreWindow();
        mCancelOptionsDialog();
        form_->show();
    });
}

void UIWrapperClass::PopupSysMenu(bool bShowRestore) {
    gRunLogged("UIWrapperClass.PopupSysMenu", [&] {
        if (!form_) return;
        form_->mnuSysRestore().setVisible(bShowRestore);
        form_->mnuSysMenu().popup(QCursor::pos());
    });
}

void UIWrapperClass::mSaveWindowPosition() {
    gRunLogged("UIWrapperClass.mSaveWindowPosition", [this] {
        if (!form_ || form_->isMinimized()) return;
        auto& options = oOptions();
        // Twips beyond 16 bits (a second screen) would not load again: the nearest storable place is kept.
        options.nWinPosLeft = twips(form_->pos().x());
        options.nWinPosRight = twips(form_->pos().y());
        options.SaveSettings(false);
    });
}

void UIWrapperClass::mReadWindowPosition() {
    if (!form_) throw vb::RuntimeError(vb::error::kObjectNotSet, "moForm is not set!");
    const auto& options = oOptions();
    if (options.nWinPosLeft == kNoPosition) return;
    const int perPixel = ui::Metrics::twipsPerPixel();
    const QPoint at(options.nWinPosLeft / perPixel, options.nWinPosRight / perPixel);
    if (reachable(at)) form_->move(at);
}

bool UIWrapperClass::mbQueryExit() {
    mSaveWindowPosition();
    switch (services_.dialogs->queryClose(bTrayIconShown())) {
    case CloseChoice::ShutDown: return true;
    case CloseChoice::Minimise:
        // The set goes on in the tray.
        if (form_) {
            form_->showMinimized();
            form_->hide();
        }
        return false;
    case CloseChoice::Cancel: return false;
    }
    return false;
}

} // namespace kez::ombrel
