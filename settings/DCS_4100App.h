#pragma once
// The settings tool's application: sets the toolkit up and runs the main dialog modally.
// GUI thread only.

namespace settings {

class CDCS_4100App {
public:
    // Runs the dialog to its end; the result is the process's exit status.
    int InitInstance();
};

}  // namespace settings
