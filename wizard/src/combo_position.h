#pragma once
// Lists as the wizard's forms use them: a position set outside the list is run-time error 380, the way a
// stored adapter choice beyond the adapters is found out; the device lists' fill.
#include <QComboBox>

#include "kez/com/variant.h"

namespace kez::wizard {

// Selects `position`; RuntimeError 380 "Invalid property value" when the list has no such entry.
void selectListPosition(QComboBox& list, int position);
// The same with the error ignored: the list is then left without a selection.
void selectListPositionIgnoringErrors(QComboBox& list, int position);

// Empties the list and fills it with "< Use default adapter >" (item data -1), then each text of `devices`
// with its index as item data, and nothing selected. RuntimeError 13 when `devices` holds no array.
void fillDeviceList(QComboBox& list, const com::Variant& devices);

} // namespace kez::wizard
