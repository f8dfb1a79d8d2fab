#pragma once
// AutoDiscoverVURUVForm, "Auto discover KEZ System...": the call servers heard on the chosen adapter, one line
// each as they are heard, for the user to pick one. One dialog for the program's life, hidden between runs;
// every way out of it stops the engine's listening.
#include <QDialog>

#include <cstdint>
#include <string>

#include "engine_events_while_shown.h"
#include "ombrel/engine_wrapper.h"

class QListWidget;
class QPushButton;

namespace kez::wizard {

// Two upper-case hexadecimal digits.
std::string gByteToHex(std::uint8_t value);

class AutoDiscoverVURUVForm : public QDialog, private ombrel::EngineWrapperEvents {
    Q_OBJECT

public:
    AutoDiscoverVURUVForm();

    // Empties the list, forgets the last choice and starts listening on `rnAdapter` (-1 the default
    // adapter). A refused start has shown the wrapper's box; the list then stays empty.
    void bInitialize(ombrel::EngineWrapperClass& roEngine, std::int16_t rnAdapter);
    // An unload, which the dialog refuses: listening stops and the dialog hides, kept for the next run.
    void Form_QueryUnload();

    // The chosen line, "" until Select.
    std::string sSelectedServer;

protected:
    // The close box: Form_QueryUnload.
    void closeEvent(QCloseEvent* event) override;
    // Escape: nothing.
    void reject() override {}

private:
    // "00:1A:2B:3C:4D:05", and "   198.18.0.10" after it when the call server was heard over IP.
    void XAVDiscovered(const com::Variant& pvarMac, const com::Variant& pVarIP) override;
    void cmdSelect_Click();
    void cmdCancel_Click();

    ombrel::EngineWrapperClass* moEngine = nullptr;
    EngineEventsWhileShown events_{*this, *this};
    QListWidget* lstMacs;
    QPushButton* cmdSelect;
    QPushButton* cmdCancel;
};

} // namespace kez::wizard
