#include "combo_position.h"

#include "kez/com/safe_array.h"
#include "kez/vb/runtime_error.h"

namespace kez::wizard {

void selectListPositionIgnoringErrors(QComboBox& list, int position) {
    list.setCurrentIndex(position >= 0 && position < list.count() ? position : -1);
}

void fillDeviceList(QComboBox& list, const com::Variant& devices) {
    const auto* array = devices.get<com::SafeArray>();
    if (array == nullptr) throw vb::RuntimeError(vb::error::kTypeMismatch);
    for (int i = list.count() - 1; i >= 0; --i)
        list.removeItem(i);
    list.addItem(QStringLiteral("< Use default adapter >"), -1);
    for (std::int32_t index = array->lowerBound(); index <= array->upperBound(); ++index)
        list.addItem(QString::fromStdString(array->textAt(index).value_or("")), index);
    // A list takes its first entry by itself; the stored choice is selected by the caller.
    list.setCurrentIndex(-1);
}

} // namespace kez::wizard
