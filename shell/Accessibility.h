#pragma once
// What assistive technology learns about the main window beyond Qt's defaults: the window is
// announced as a window, and a drop-down list that has a name of its own is called by it.

class QWidget;

namespace qm {

// Gives window, and every drop-down list in it that carries an accessible name, the interface
// assistive technology is to see. Call once the controls exist and before anything asks for
// them; the interfaces go with their widgets.
void RegisterAccessibleInterfaces(QWidget* window);

}  // namespace qm
