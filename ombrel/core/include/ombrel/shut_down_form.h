#pragma once
// ShutDownForm: what closing the telephone's window means, asked each time: shut the telephone down, or keep
// it running in the system tray (offered only while the tray icon shows, and then the default).
#include <QDialog>

class QRadioButton;

namespace kez::ombrel {

class ShutDownForm : public QDialog {
public:
    // exec() gives one of these; Escape and the close box cancel.
    static constexpr int kCancelled = 0;
    static constexpr int kShutDown = 1;
    static constexpr int kMinimise = 2;

    explicit ShutDownForm(bool trayIconShown, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QRadioButton* optShutDown_;
};

} // namespace kez::ombrel
