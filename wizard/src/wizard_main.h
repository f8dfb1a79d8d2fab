#pragma once
// The wizard program: its entry, its program-wide values and its application object.
#include <QApplication>

#include <filesystem>

namespace kez::wizard {

// The release notes (shipped data) and the log the programs share (the user's state folder).
inline std::filesystem::path gsReadmePath;
inline std::filesystem::path gsLogPath;
void gInitFilePaths();

// The program: the single-instance check before any window, then the main window until it ends the
// program. Errors nothing else handled end in the wizard's error box. Returns the exit status.
int Main();

// An error escaping an event handler shows the wizard's error box, and the wizard goes on.
class WizardApplication : public QApplication {
public:
    WizardApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace kez::wizard
