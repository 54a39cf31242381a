#pragma once
// The order of recordings: by the date key (characters 4-9) and the time key (characters
// 11-16) that the camera writes into every file name. Any thread may call.

#include <QStringView>

#include <compare>
#include <cstdint>

namespace player {

struct RecordingNameKeys {
    int32_t date = 0;  // YYMMDD
    int32_t time = 0;  // HHMMSS
    // clang-tidy 14 mistakes the defaulted comparison's own 0 for a null pointer.
    auto operator<=>(const RecordingNameKeys&) const = default;  // NOLINT(modernize-use-nullptr)
};

// Reads the name's own keys digit by digit at the positions 4, 11, 5, 12, 6, 13, 7, 14, 8,
// 15, 9, 16 (date and time in step, most significant first) and stops at the first position
// that is missing or not a digit "0"-"9"; the keys keep what was read. A name without
// readable keys has keys 0 and sorts first.
RecordingNameKeys ReadRecordingNameKeys(QStringView name);

// True when a must come after b: a's keys are greater than b's (date first, then time).
// Equal keys never come after each other, so a stable order keeps them as they were found.
bool CompareRecordingNames(QStringView a, QStringView b);

}  // namespace player
