#pragma once
// AutoIPConfigForm, "Automatic IP Configuration": the engine's probe toward the call server, showing the PC's
// address, mask and gateway it finds. Made afresh for each test and gone after it; it stores nothing.
#include <QDialog>

#include <cstdint>
#include <string>

#include "engine_events_while_shown.h"
#include "ombrel/engine_wrapper.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kez::wizard {

class AutoIPConfigForm : public QDialog, private ombrel::EngineWrapperEvents {
    Q_OBJECT

public:
    AutoIPConfigForm();

    // Starts the probe toward `rvarVuruvIP` (4 bytes): true when it runs. False when the engine refused;
    // the wrapper has shown its box.
    bool bInitialize(ombrel::EngineWrapperClass& roEngine, const com::Variant& rvarVuruvIP);
    // A probe still running is cancelled; the dialog hides.
    void cmdOK_Click();

protected:
    // Escape and the close box: cmdOK_Click, so no probe is left running.
    void reject() override { cmdOK_Click(); }

private:
    void AutoIPComplete(com::Variant& rvarLocalIP, com::Variant& rvarSubnet, com::Variant& rvarGateway) override;
    void Error(std::int32_t lNumber, const std::string& sDescription) override;
    void showEnded();

    ombrel::EngineWrapperClass* moEngine = nullptr;
    bool mbInProgress = false;
    EngineEventsWhileShown events_{*this, *this};
    QLabel* lblWait;
    QLineEdit* txtIPAddress;
    QLineEdit* txtSubnet;
    QLineEdit* txtGateway;
    QPushButton* cmdOK;
};

} // namespace kez::wizard
