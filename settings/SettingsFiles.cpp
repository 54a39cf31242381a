#include "SettingsFiles.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/Drives.h"
#include "platform/system/RegularFile.h"
#include "settings/Log.h"

#include <cstdio>
#include <vector>

namespace settings {
namespace {

constexpr int64_t kReadLimitBytes = 1024;

// One setting's place in the file: its digit range and the offset between code and digit.
struct Field {
    int32_t CameraSettings::*member;
    int minDigit;
    int maxDigit;
    int digitOffset;  // digit = code + offset
};

constexpr Field kFields[] = {
    {&CameraSettings::parkingMode, 0, 4, 0},   {&CameraSettings::microphoneVolume, 0, 3, 0},
    {&CameraSettings::speakerVolume, 0, 3, 0}, {&CameraSettings::recordingQuality, 1, 3, 1},
    {&CameraSettings::echo, 0, 1, 0},          {&CameraSettings::gSensorSensitivity, 0, 8, 0},
};

QString JoinPath(const QString& folder, const char* name) {
    return folder.endsWith('/') ? folder + QLatin1String(name) : folder + '/' + QLatin1String(name);
}

}  // namespace

std::optional<QString> LocateSettingsFile() {
    for (const platform::DriveInfo& drive : platform::ListDrives()) {
        if (drive.type == platform::DriveType::Removable &&
            drive.label == QLatin1String(kCardLabel)) {
            return drive.root + QLatin1String(kSettingFolder) + '/' +
                   QLatin1String(kSettingFileName);
        }
    }
    return std::nullopt;
}

bool ParseSettings(const QByteArray& bytes, CameraSettings& settings) {
    const CameraSettings defaults;
    settings = defaults;
    if (bytes.size() < kSettingFileBytes) {
        return false;
    }
    for (int i = 0; i < static_cast<int>(std::size(kFields)); ++i) {
        const Field& field = kFields[i];
        const int digit = bytes[i] - '0';
        if (digit >= field.minDigit && digit <= field.maxDigit) {
            settings.*field.member = digit - field.digitOffset;
        }
    }
    return true;
}

bool ReadSettings(const QString& path, CameraSettings& settings) {
    settings = CameraSettings{};
    if (path.isEmpty()) {
        qCInfo(lcSettings) << "no camera card: the settings start at their defaults";
        return false;
    }
    QByteArray bytes;
    QString error;
    if (platform::ReadRegularFile(path, kReadLimitBytes, &bytes, &error,
                                  platform::Oversize::ReadPrefix) != platform::FileReadStatus::Ok) {
        qCWarning(lcSettings) << path << "cannot be read:" << error
                              << "- the settings start at their defaults";
        return false;
    }
    return ParseSettings(bytes, settings);
}

QByteArray FormatSettings(const CameraSettings& settings) {
    const CameraSettings defaults;
    QByteArray bytes;
    for (const Field& field : kFields) {
        int digit = settings.*field.member + field.digitOffset;
        if (digit < field.minDigit || digit > field.maxDigit) {
            digit = defaults.*field.member + field.digitOffset;
        }
        bytes.append(static_cast<char>('0' + digit));
    }
    bytes.append("   ");
    return bytes;
}

QByteArray FormatTime(const QDate& date, const QTime& time) {
    if (!date.isValid() || !time.isValid() || date.year() < 0 || date.year() > 9999) {
        return {};
    }
    char text[kTimeFileBytes + 1] = {};
    std::snprintf(text, sizeof text, "%04d %02d %02d %02d %02d %02d %02d ", date.year(),
                  date.month(), date.day(), time.hour(), time.minute(), time.second(),
                  date.dayOfWeek() % 7);
    return QByteArray(text, kTimeFileBytes);
}

bool WriteSettings(const QString& folder, const CameraSettings& settings) {
    return platform::WriteFileAtomically(JoinPath(folder, kSettingFileName),
                                         FormatSettings(settings));
}

bool WriteTime(const QString& folder, const QDate& date, const QTime& time) {
    const QByteArray bytes = FormatTime(date, time);
    return bytes.size() == kTimeFileBytes &&
           platform::WriteFileAtomically(JoinPath(folder, kTimeFileName), bytes);
}

bool WriteSettingsAndTime(const QString& folder, const CameraSettings& settings, const QDate& date,
                          const QTime& time) {
    std::vector<platform::FileContent> files{
        {JoinPath(folder, kSettingFileName), FormatSettings(settings)}};
    if (date.isValid()) {
        const QByteArray clock = FormatTime(date, time);
        if (clock.size() != kTimeFileBytes) {
            return false;
        }
        files.push_back({JoinPath(folder, kTimeFileName), clock});
    }
    QString error;
    if (!platform::WriteFilesAtomically(files, &error)) {
        qCWarning(lcSettings) << "settings not saved:" << error;
        return false;
    }
    return true;
}

}  // namespace settings
