#pragma once
// Controls carry the names the forms gave them: tests, and the code that looks a control up, find them by it.
#include <QObject>
#include <QString>

namespace kez::ui {

template <class Control>
Control* named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

} // namespace kez::ui
