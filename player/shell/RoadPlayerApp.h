#pragma once
// The player's application: start-up in its fixed order (one instance per user and display,
// decoder settings, pack, profile, pictures, the main window's skin), the modal run of the
// main window, and the clean-up at exit. GUI thread only.

#include "platform/system/SingleInstance.h"
#include "player/profile/AppProfile.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace player {

class CRoadPlayerApp {
public:
    // The decoder's per-user settings and the values that must be 0 before a graph is built.
    static constexpr char kDecoderKey[] = "Software\\GNU\\ffdshow";
    static constexpr const char* kDecoderValues[] = {"isWhitelist", "multipleInstances",
                                                     "subTextpin"};

    CRoadPlayerApp();
    ~CRoadPlayerApp();
    CRoadPlayerApp(const CRoadPlayerApp&) = delete;
    CRoadPlayerApp& operator=(const CRoadPlayerApp&) = delete;

    // Starts up and runs the main window to its end. The exit status: 0 after the window
    // closed or when another instance was brought forward; otherwise start-up failed and
    // one line on standard error says what is wrong and where. arguments: the program's,
    // with an optional recording to open at once.
    int InitInstance(const QStringList& arguments);
    // Releases the pictures; run after InitInstance on every path.
    int ExitInstance();

    // Read-only once start-up has loaded it.
    const AppProfile& Profile() const { return m_profile; }

    // How to call the program.
    static const char* Usage();

    // "no display ..." when the environment names no display and no other platform; empty
    // when a window can be shown.
    static QString MissingDisplay();

private:
    static void PrepareDecoderSettings();
    // Writes "RoadPlayer: <what>" on standard error; returns the failure status.
    static int Fail(const QString& what);

    AppProfile m_profile;
    std::unique_ptr<platform::SingleInstance> m_instance;
};

}  // namespace player
