#pragma once
// Writes a whole card: category folders, recordings, the settings file and the volume label.
// Call from one thread; it runs its own workers for the recordings.

#include "tools/make-sample-card/CardOptions.h"

#include <QString>
#include <QStringList>

namespace samplecard {

// The camera's default settings record: parking off, microphone high, speaker mid, quality
// high (written one higher), echo off, G-sensor 4, then three spaces.
inline constexpr char kDefaultSettingsRecord[] = "032304   ";
inline constexpr char kSettingsFolder[] = "SETTING";
inline constexpr char kSettingsFile[] = "BK_Setting.cfg";
inline constexpr char kVolumeLabelFile[] = ".volume_label";

struct CardResult {
    bool ok = false;
    QString error;        // one line when !ok
    QStringList written;  // paths relative to the card folder, in card order
};

CardResult WriteCard(const CardOptions& options);

}  // namespace samplecard
