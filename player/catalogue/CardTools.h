#pragma once
// What the card tools of the main window need: finding the camera's own card (FindCard),
// starting the settings tool from the player's folder, and opening the maker's site.
// GUI thread only.

#include <QString>

#include <optional>

namespace platform {
class Process;
}

namespace player {

// The camera's card is the removable drive with exactly this volume label.
inline constexpr char kCardLabel[] = "QOR-SD";
// The folder in the card's root from which the camera reads its settings.
inline constexpr char kSettingFolder[] = "SETTING";
// The settings tool, in the player's own program folder.
inline constexpr char kSettingsToolName[] = "DCS_4100";

// True when a removable drive labelled "QOR-SD" is present (the first in drive order); its
// SETTING folder is created when missing (a folder that cannot be made is not reported).
// The wait cursor shows meanwhile. cardRoot, when given, receives the card's root.
bool FindCard(QString* cardRoot = nullptr);

// The root of the removable drive that holds path (the innermost when drives nest); none when
// no removable drive does.
std::optional<QString> RemovableDriveOf(const QString& path);

// Starts the settings tool from programFolder with that folder as its working folder; the
// launch record holds its handle afterwards (replacing an earlier one, whose process runs
// on). False when it cannot be started; nothing is shown.
bool StartSettingsTool(platform::Process& launchRecord, const QString& programFolder);

// Opens site with the desktop's handler when the computer is connected to the Internet.
enum class SiteOpening { Opened, Offline, NoBrowser };
SiteOpening OpenSite(const QString& site);

}  // namespace player
