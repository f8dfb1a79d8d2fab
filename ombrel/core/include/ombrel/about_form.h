#pragma once
// AboutForm: the program's title and version, a short warning, and a start of the system-information tool.
// Both phone forms show it modeless, one at a time; closing it deletes it.
#include <string>

#include <QDialog>

class QLabel;
class QPushButton;

namespace kez::ombrel {

// The program's version, major.minor.revision: "1.2.3".
std::string programVersionText();

class AboutForm : public QDialog {
public:
    explicit AboutForm(QWidget* parent = nullptr);

    // Starts the system-information tool the machine hive names, without arguments; a box when there is none
    // to start.
    void StartSysInfo();

private:
    // From the texts' measured widths: side by side at 15 twips per pixel or more, stacked below that.
    void arrange(int twipsPerPixel);

    QLabel* Picture1_;
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* lblWarning_;
    QPushButton* cmdOk_;
    QPushButton* cmdSysInfo_;
};

} // namespace kez::ombrel
