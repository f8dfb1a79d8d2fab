#pragma once
// The device lists of the wizard's forms: their fill, and a stored choice selected before the settings are
// shown (where one beyond the list is run-time error 380, the way the adapter reset finds it out).
#include <QComboBox>

#include "kez/com/variant.h"

namespace kez::wizard {

// Selects `position`; a position outside the list leaves the list without a selection.
void selectListPositionIgnoringErrors(QComboBox& list, int position);

// Empties the list and fills it with "< Use default adapter >" (item data -1), then each text of `devices`
// with its index as item data, and nothing selected. RuntimeError 13 when `devices` holds no array.
void fillDeviceList(QComboBox& list, const com::Variant& devices);

} // namespace kez::wizard
