#pragma once
// Start-up of a windowed program without a reachable display (no server at DISPLAY, a server
// that refuses the cookie, only a Wayland name without its compositor): the toolkit would
// abort with a page of advice; instead the program prints one line and exits with status 1.
// Main thread, around the making of the QApplication.

namespace platform {

// From here on, the toolkit's fatal failure to reach a display ends the process with one line
// "program: ..." and status 1; its other messages wait until DisplayReached.
void ExitQuietlyWithoutDisplay(const char* program);
// The application object exists: messages flow as before, the held ones first.
void DisplayReached();

}  // namespace platform
