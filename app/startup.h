#pragma once

namespace marsitel {

// Start-up: the splash for at most ten seconds, then the main dialog, whose
// load step may end the program. Returns once the dialog is shown.
void Main();

}  // namespace marsitel
