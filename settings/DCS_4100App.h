#pragma once
// The settings tool's application: sets the toolkit up and runs the main dialog modally.
// GUI thread only.

namespace settings {

// When set, answers the save command's folder browser without showing it: a folder path, or
// empty for "cancelled" (scripted runs and end-to-end tests).
inline constexpr char kBrowseAnswerVariable[] = "DCS_4100_BROWSE_ANSWER";

class CDCS_4100App {
public:
    // Runs the dialog to its end; the result is the process's exit status.
    int InitInstance();
};

}  // namespace settings
