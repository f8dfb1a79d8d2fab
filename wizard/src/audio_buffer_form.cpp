#include "audio_buffer_form.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "combo_position.h"
#include "dialog_layout.h"
#include "ombrel/engine_wrapper.h"
#include "ombrel/key_text_filter.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::wizard {
namespace {

QGroupBox* frame(const QString& caption, QLayout* contents) {
    auto* box = new QGroupBox(caption);
    box->setLayout(contents);
    return box;
}

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
    txtAudioBufferSize->setText(QString::number(options.lAudioBufferSize));
    txtMultiplier->setText(QString::number(options.lAudioBufferMultiplier));
    selectListPosition(*cboPlayAdapters, options.nPlayAdapterIndex + 1);
    selectListPosition(*cboRecordAdapters, options.nRecordAdapterIndex + 1);
}

} // namespace kez::wizard
