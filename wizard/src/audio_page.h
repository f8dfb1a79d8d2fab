#pragma once
// The page "Audio": dial tone played while recording in each of the telephone's two formats, so the user hears
// whether the sound card and its codecs work; the audio buffer dialog beside it.
#include <QWidget>

namespace kez::wizard {

class WizardPageHost;

class AudioPage : public QWidget {
    Q_OBJECT

public:
    explicit AudioPage(WizardPageHost& host);
};

// The audio buffer dialog, unless an audio test plays.
void showAudioBufferDialog(WizardPageHost& host);

} // namespace kez::wizard
