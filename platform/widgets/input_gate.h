#pragma once
// What the user gives while the program waits (platform/pace.h): dropped, never kept for later,
// with the busy cursor shown over her windows meanwhile. A button or key pressed before the wait
// still gets its release, and a drag begun then its moves, so none is left hanging.

namespace platform::widgets::input_gate {

// Installs the gate on the application (once; later calls do nothing). Needs a QApplication.
void install();

} // namespace platform::widgets::input_gate
