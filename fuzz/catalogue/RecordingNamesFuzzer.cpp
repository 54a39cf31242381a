// The card's file names, one a line, through the key reader and the list order: keys stay in
// their ranges and hold the name's own digits, the order is a strict weak order, and sorting
// by it keeps every name.

#include "player/catalogue/RecordingNames.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

constexpr qsizetype kPairedNames = 64;

// The keys as the camera writes them: the date digits at 4-9, the time digits at 11-16; a
// key stops at the first position (in the date and time interleaved order) that is not a
// digit, and what is missing counts as 0.
player::RecordingNameKeys ExpectedKeys(const QString& name) {
    player::RecordingNameKeys keys;
    const auto digit = [&](int at) {
        return at < name.size() && name[at] >= u'0' && name[at] <= u'9'
                   ? std::optional<int>(name[at].unicode() - u'0')
                   : std::nullopt;
    };
    int32_t weight = 100000;
    for (int i = 0; i < 6; ++i, weight /= 10) {
        const std::optional<int> date = digit(4 + i);
        if (!date) {
            break;
        }
        keys.date += *date * weight;
        const std::optional<int> time = digit(11 + i);
        if (!time) {
            break;
        }
        keys.time += *time * weight;
    }
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList names =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
            .split(QLatin1Char('\n'));
    for (const QString& name : names) {
        if (!(player::ReadRecordingNameKeys(name) == ExpectedKeys(name))) {
            std::abort();
        }
        if (player::CompareRecordingNames(name, name)) {
            std::abort();
        }
    }
    // Every pair among the first names (all pairs of a long input would only cost time).
    const qsizetype paired = std::min<qsizetype>(names.size(), kPairedNames);
    for (qsizetype i = 0; i < paired; ++i) {
        for (qsizetype j = 0; j < paired; ++j) {
            if (player::CompareRecordingNames(names[i], names[j]) &&
                player::CompareRecordingNames(names[j], names[i])) {
                std::abort();
            }
        }
    }
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return player::CompareRecordingNames(b, a);
    });
    QStringList a = sorted;
    QStringList b = names;
    a.sort();
    b.sort();
    if (a != b) {
        std::abort();
    }
    for (qsizetype i = 1; i < sorted.size(); ++i) {
        if (player::CompareRecordingNames(sorted[i - 1], sorted[i])) {
            std::abort();
        }
    }
    return 0;
}
