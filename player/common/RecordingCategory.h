#pragma once
// The recording categories shared by the profile (folder per category) and the catalogue.

#include <QStringView>

#include <cstdint>

namespace player {

enum class RecordingCategory : int32_t {
    Normal = 0,
    Event = 1,
    EventN = 2,
    Manual = 3,
    Motion = 4,
    Unknown = 5,  // never stored
};

inline constexpr int kRecordingCategoryCount = 5;

// The profile's `dir id` words: "normal", "event", "event_n", "manual", "motion", compared
// exactly; anything else is Unknown.
RecordingCategory RecordingCategoryFromId(QStringView id);

// The id word of a known category; empty for Unknown.
QStringView RecordingCategoryId(RecordingCategory category);

}  // namespace player
