#pragma once
// AboutForm: the program's title and version, a short warning, and a start of the system-information tool.
// Both phone forms show it modeless, one at a time; closing it deletes it.
#include <string>
#include <string_view>

#include <QDialog>

#include "kez/reg/types.h"

class QLabel;
class QPushButton;

namespace kez::ombrel {

// The program's version, major.minor.revision: "1.2.3".
std::string programVersionText();

// A text value unchanged, or a 32-bit value in decimal, of a key opened for reading only; another type leaves
// `value` as it came. False, with `value` empty, when the key cannot be opened or the value not read (larger
// than 1024 bytes included).
bool GetKeyValue(reg::Hive root, std::string_view keyName, std::string_view valueName, std::string& value);

class AboutForm : public QDialog {
public:
    explicit AboutForm(QWidget* parent = nullptr);

    // Starts the tool the machine hive names ("PATH" of "Shared Tools\MSINFO", else "MSINFO32.EXE" in the folder
    // "Shared Tools Location" "MSINFO" names); a box when there is none to start.
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
