#pragma once
// Where the values of it.cfg live in the main window, in both directions.

#include "Settings.h"

class TForm1;

namespace qm {

// Puts value `index` (0..17, file order) where it lives: a spin edit clamps it to its range, a
// list index outside the list leaves the list without a selection, the port index and the
// scales are kept as read.
void ApplySetting(TForm1& form, int index, qint32 value);

// The 18 values as they stand at closing; the port list's and the slot lists' selections are
// stored back into PortIndex and ChartSlotDevice on the way.
Settings CollectSettings(TForm1& form);

}  // namespace qm
