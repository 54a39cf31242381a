#include "player/catalogue/RecordingNames.h"

#include <array>

namespace player {
namespace {

// Date and time key positions in step; weights 100000 down to 1 for each pair.
constexpr std::array<qsizetype, 12> kKeyPositions = {4, 11, 5, 12, 6, 13, 7, 14, 8, 15, 9, 16};

}  // namespace

RecordingNameKeys ReadRecordingNameKeys(QStringView name) {
    RecordingNameKeys keys;
    int32_t weight = 100000;
    for (size_t i = 0; i < kKeyPositions.size(); ++i) {
        const qsizetype position = kKeyPositions[i];
        if (position >= name.size()) {
            break;
        }
        const char16_t c = name[position].unicode();
        if (c < u'0' || c > u'9') {
            break;
        }
        int32_t& key = (i % 2 == 0) ? keys.date : keys.time;
        key += (c - u'0') * weight;
        if (i % 2 == 1) {
            weight /= 10;
        }
    }
    return keys;
}

bool CompareRecordingNames(QStringView a, QStringView b) {
    return ReadRecordingNameKeys(a) > ReadRecordingNameKeys(b);
}

}  // namespace player
