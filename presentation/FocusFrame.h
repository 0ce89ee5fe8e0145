#pragma once
// A frame in the highlight colour around a control while it has the keyboard focus, for the
// controls whose style shows none of its own: the live table, the archive memo, the chart's slot
// lists (which carry their slot's colours), the charts themselves and the scale grid. The frame
// lies just outside the control, so it never covers what the control shows.

class QWidget;

namespace qm {

// From now on control shows the frame whenever it has the focus.
void ShowFocusFrame(QWidget* control);

}  // namespace qm
