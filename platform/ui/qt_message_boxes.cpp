#include "kez/ui/qt_message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include <future>
#include <memory>

namespace kez::ui {
namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton qtButton(Answer answer) {
    switch (answer) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Abort: return QMessageBox::Abort;
    case Answer::Retry: return QMessageBox::Retry;
    case Answer::Ignore: return QMessageBox::Ignore;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

Answer showOnThisThread(const MessageBox& box) {
    // Texts keep the carriage returns they were written with; a label wants plain line feeds.
    QString text = QString::fromStdString(box.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox dialog(qtIcon(box.icon), QString::fromStdString(box.title), text);
    const auto offered = answersOf(box.buttons);
    for (const Answer answer : offered)
        dialog.addButton(qtButton(answer));
    dialog.setDefaultButton(qtButton(offered.front()));
    const auto pressed = static_cast<QMessageBox::StandardButton>(dialog.exec());
    for (const Answer answer : offered) {
        if (qtButton(answer) == pressed) return answer;
    }
    // Closed by the window manager: the box's escape answer.
    return offered.size() == 1 ? offered.front() : offered.back();
}

} // namespace

Answer QtMessageBoxes::show(const MessageBox& box) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) return showOnThisThread(box);
    // The answer comes back through a promise rather than a blocking Qt call: the hand-over is then one the
    // thread checker sees, and a call the application drops unrun (at its end) leaves the box's default answer.
    auto shown = std::make_shared<std::promise<Answer>>();
    auto answer = shown->get_future();
    QMetaObject::invokeMethod(
        application, [shown, box] { shown->set_value(showOnThisThread(box)); }, Qt::QueuedConnection);
    try {
        return answer.get();
    } catch (const std::future_error&) {
        return defaultAnswer(box.buttons);
    }
}

void installQtMessageBoxes() { setMessageBoxes(std::make_shared<QtMessageBoxes>()); }

} // namespace kez::ui
