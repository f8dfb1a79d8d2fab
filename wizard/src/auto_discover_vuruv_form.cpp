#include "auto_discover_vuruv_form.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_layout.h"
#include "kez/com/safe_array.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::wizard {
namespace {

constexpr std::size_t kIpAddressBytes = 4;

std::span<const std::uint8_t> bytesOf(const com::Variant& value) {
    const auto* array = value.get<com::SafeArray>();
    return array == nullptr ? std::span<const std::uint8_t>{} : array->bytes();
}

} // namespace

std::string gByteToHex(std::uint8_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

AutoDiscoverVURUVForm::AutoDiscoverVURUVForm()
    : lstMacs(new QListWidget), cmdSelect(namedButton("cmdSelect", QStringLiteral("&Select"))),
      cmdCancel(namedButton("cmdCancel", QStringLiteral("&Cancel"))) {
    setObjectName(QStringLiteral("AutoDiscoverVURUVForm"));
    setWindowTitle(QStringLiteral("Auto discover KEZ System..."));
    setModal(true);
    lstMacs->setObjectName(QStringLiteral("lstMacs"));
    lstMacs->setSelectionMode(QAbstractItemView::SingleSelection);
    // Room for a MAC address and an IP address side by side.
    lstMacs->setMinimumWidth(lstMacs->fontMetrics().horizontalAdvance(QString(40, QLatin1Char('0'))));
    connect(cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pageText(QStringLiteral(
        "A list of available KEZ system's are displayed below. The MAC address appears on the left, and an optional "
        "IP address for Layer 3 communications appears on the right. Select the KEZ system you wish to connect to "
        "and press Select.")));
    layout->addWidget(lstMacs);
    layout->addLayout(buttonRow({cmdSelect, cmdCancel}));
    cmdSelect->setDefault(true);
    centreWhenLoaded(*this);
}

void AutoDiscoverVURUVForm::bInitialize(ombrel::EngineWrapperClass& roEngine, std::int16_t rnAdapter) {
    for (int row = lstMacs->count() - 1; row >= 0; --row)
        delete lstMacs->takeItem(row);
    moEngine = &roEngine;
    events_.attach(roEngine);
    sSelectedServer.clear();
    moEngine->StartAutoDiscover(rnAdapter);
}

void AutoDiscoverVURUVForm::XAVDiscovered(const com::Variant& pvarMac, const com::Variant& pVarIP) {
    std::string line;
    for (const std::uint8_t byte : bytesOf(pvarMac))
        line += (line.empty() ? "" : ":") + gByteToHex(byte);
    if (bytesOf(pVarIP).size() == kIpAddressBytes) line += "   " + ombrel::gBytesToIPText(pVarIP);
    lstMacs->addItem(QString::fromStdString(line));
}

void AutoDiscoverVURUVForm::cmdSelect_Click() {
    const auto selected = lstMacs->selectedItems();
    if (selected.isEmpty()) {
        ui::showMessageBox("Must select an KEZ system address from the list.", {}, ui::Icon::Information);
        return;
    }
    moEngine->StopAutoDiscover();
    sSelectedServer = selected.front()->text().toStdString();
    hide();
}

void AutoDiscoverVURUVForm::cmdCancel_Click() {
    moEngine->StopAutoDiscover();
    hide();
}

void AutoDiscoverVURUVForm::Form_QueryUnload() {
    if (moEngine != nullptr) moEngine->StopAutoDiscover();
    hide();
}

void AutoDiscoverVURUVForm::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->ignore();
}

} // namespace kez::wizard
