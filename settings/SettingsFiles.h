#pragma once
// The camera's two settings files: BK_Setting.cfg (six one-digit settings) and BK_Time.cfg
// (the clock), and the search for the camera's card. Any thread may call; nothing is kept.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

#include <cstdint>
#include <optional>

namespace settings {

inline constexpr char kCardLabel[] = "QOR-SD";
inline constexpr char kSettingFolder[] = "SETTING";
inline constexpr char kSettingFileName[] = "BK_Setting.cfg";
inline constexpr char kTimeFileName[] = "BK_Time.cfg";
inline constexpr int kSettingFileBytes = 9;
inline constexpr int kTimeFileBytes = 23;

// The camera's settings; Init restores the defaults given here.
struct CameraSettings {
    int32_t parkingMode = 0;         // 0 OFF, 1 ALWAYS, 2-4 MD1-MD3
    int32_t microphoneVolume = 3;    // 0 OFF, 1 LOW, 2 MID, 3 HIGH
    int32_t speakerVolume = 2;       // 0 OFF, 1 LOW, 2 MID, 3 HIGH
    int32_t recordingQuality = 2;    // 0 LOW, 1 MID, 2 HIGH (one higher in the file)
    int32_t echo = 0;                // 0 OFF, 1 ON
    int32_t gSensorSensitivity = 4;  // 0 OFF, 1-8

    bool operator==(const CameraSettings&) const = default;
};

// The settings file on the first removable drive labelled exactly kCardLabel, in drive order.
std::optional<QString> LocateSettingsFile();

// Always leaves every field valid; a bad digit gives its own setting the default. True when
// a file of at least 9 bytes was read.
bool ReadSettings(const QString& path, CameraSettings& settings);
// The same on the file's bytes.
bool ParseSettings(const QByteArray& bytes, CameraSettings& settings);

// The exact 9 bytes of BK_Setting.cfg; fields outside their ranges are written as defaults.
QByteArray FormatSettings(const CameraSettings& settings);
// The exact 23 bytes of BK_Time.cfg; the day of the week is that of date.
QByteArray FormatTime(const QDate& date, const QTime& time);

// Create or replace folder/BK_Setting.cfg and folder/BK_Time.cfg. False when the file could not
// be written completely; then the folder holds the old file or none, never a partial one.
bool WriteSettings(const QString& folder, const CameraSettings& settings);
bool WriteTime(const QString& folder, const QDate& date, const QTime& time);
// The save of the dialog: the settings and, with a date, the clock, both or neither; a failure
// part-way leaves the folder as it was.
bool WriteSettingsAndTime(const QString& folder, const CameraSettings& settings,
                          const QDate& date = {}, const QTime& time = {});

}  // namespace settings
