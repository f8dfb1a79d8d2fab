#include "audio_buffer_form.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <optional>

#include "combo_position.h"
#include "dialog_layout.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "ombrel/engine_wrapper.h"
#include "ombrel/key_text_filter.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/setting_controls.h"

namespace kez::wizard {
namespace {

QGroupBox* frame(const QString& caption, QLayout* contents) {
    auto* box = new QGroupBox(caption);
    box->setLayout(contents);
    return box;
}

// A buffer size as the key filter lets it be typed: digits with at most one point, blanks around them; read
// the same in every locale. Nullopt for anything else.
std::optional<double> bufferNumber(const QLineEdit& box) {
    const std::string text = vb::trim(box.text().toStdString());
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto digits = std::ranges::count_if(text, isDigit);
    const auto points = std::ranges::count(text, '.');
    if (digits == 0 || points > 1 || static_cast<std::size_t>(digits + points) != text.size()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void refuse(std::string_view message) { ui::showMessageBox(message, {}, ui::Icon::Information); }

using ombrel::Convert;
using O = ombrel::OptionsClass;

const ombrel::SettingControl kAudioSettings[] = {
    {&O::lAudioBufferSize, "txtAudioBufferSize", Convert::Number},
    {&O::lAudioBufferMultiplier, "txtMultiplier", Convert::Number},
    {&O::nPlayAdapterIndex, "cboPlayAdapters", Convert::ListPosition},
    {&O::nRecordAdapterIndex, "cboRecordAdapters", Convert::ListPosition},
};

} // namespace

AudioBufferForm::AudioBufferForm()
    : cboRecordAdapters(namedComboBox("cboRecordAdapters")), cboPlayAdapters(namedComboBox("cboPlayAdapters")),
      txtAudioBufferSize(namedLineEdit("txtAudioBufferSize")), txtMultiplier(namedLineEdit("txtMultiplier")),
      cmdCancel(namedButton("cmdCancel", "&Cancel")), cmdOkay(namedButton("cmdOkay", "&OK")) {
    setObjectName(QStringLiteral("AudioBufferForm"));
    setWindowTitle(QStringLiteral("Audio Configuration"));
    setModal(true);
    ombrel::filterKeyText(*txtAudioBufferSize, ombrel::gFilterIPKeyAscii);
    ombrel::filterKeyText(*txtMultiplier, ombrel::gFilterIPKeyAscii);

    auto* devices = new QFormLayout;
    devices->addRow(QStringLiteral("Recording:"), cboRecordAdapters);
    devices->addRow(QStringLiteral("Play:"), cboPlayAdapters);
    devices->addRow(pageText(QStringLiteral("If you have more than one sound card  in your system, select which to "
                                            "use for play and which to use for recording.")));

    auto* sizes = new QFormLayout;
    sizes->addRow(QStringLiteral("Delay:"), txtAudioBufferSize);
    sizes->addRow(QStringLiteral("Multiplier:"), txtMultiplier);
    auto* pool = new QVBoxLayout;
    pool->addWidget(frame(QStringLiteral("Audio Buffer Pool:"), sizes));
    pool->addWidget(pageText(QStringLiteral(
        "The size of the audio buffer pool is a product of Delay and Multiplier. Low values give the most "
        "responsive audio; on a slow machine higher values keep the sound from breaking up, at the cost of "
        "some delay.")));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame(QStringLiteral("Audio Adapters"), devices));
    layout->addWidget(frame(QStringLiteral("Audio buffer pool size"), pool));
    layout->addLayout(buttonRow({cmdCancel, cmdOkay}));
    cmdOkay->setDefault(true);
    connect(cmdOkay, &QPushButton::clicked, this, [this] { cmdOkay_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    setMinimumWidth(420);
    centreWhenLoaded(*this);
}

bool AudioBufferForm::bInitialize(ombrel::EngineWrapperClass& roEngine, ombrel::OptionsClass& roOptions) {
    moEngine = &roEngine;
    moOptions = &roOptions;
    mFillRecordAdapterList();
    mFillPlayAdapterList();
    return true;
}

void AudioBufferForm::mFillRecordAdapterList() {
    fillDeviceList(*cboRecordAdapters, moEngine->varRecordAdapters());
    selectListPositionIgnoringErrors(*cboRecordAdapters, moOptions->nRecordAdapterIndex + 1);
}

void AudioBufferForm::mFillPlayAdapterList() {
    fillDeviceList(*cboPlayAdapters, moEngine->varPlayAdapters());
    selectListPositionIgnoringErrors(*cboPlayAdapters, moOptions->nPlayAdapterIndex + 1);
}

void AudioBufferForm::ShowSettings(const ombrel::OptionsClass& options) {
    ombrel::showSettings(*this, kAudioSettings, options);
}

void AudioBufferForm::cmdOkay_Click() {
    const auto delay = bufferNumber(*txtAudioBufferSize);
    const auto multiplier = bufferNumber(*txtMultiplier);
    if (!delay || !multiplier) {
        refuse("Buffer sizes must be numeric.");
    } else if (*delay < 2 || *delay > 10) {
        refuse("The delay value must be a number between 2 and 10.");
        txtAudioBufferSize->setText(QStringLiteral("2"));
    } else if (*multiplier < 1 || *multiplier > 10) {
        refuse("The multiplier value must be a number between 1 and 10.");
        txtMultiplier->setText(QStringLiteral("1"));
    } else {
        ombrel::storeSettings(*this, kAudioSettings, *moOptions);
        hide();
    }
}

void AudioBufferForm::cmdCancel_Click() {
    ShowSettings(*moOptions);
    hide();
}

void AudioBufferForm::reject() { cmdCancel_Click(); }

} // namespace kez::wizard
