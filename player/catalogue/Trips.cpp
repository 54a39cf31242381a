#include "player/catalogue/Trips.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace player {

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kMsPerSecond = 1000;
constexpr int32_t kCenturyStart = 2000;

// Two digits at a name position; none when either is missing or not a digit.
std::optional<int> TwoDigits(QStringView name, qsizetype position) {
    if (position + 1 >= name.size()) {
        return std::nullopt;
    }
    const char16_t high = name[position].unicode();
    const char16_t low = name[position + 1].unicode();
    if (high < u'0' || high > u'9' || low < u'0' || low > u'9') {
        return std::nullopt;
    }
    return (high - u'0') * 10 + (low - u'0');
}

}  // namespace

CTrip::CTrip(std::vector<TripMember> members) : m_members(std::move(members)) {
    int64_t offsetMs = 0;
    for (TripMember& member : m_members) {
        member.offsetMs = offsetMs;
        offsetMs += member.durationMs;
    }
}

int64_t CTrip::DurationMs() const {
    return m_members.empty() ? 0 : m_members.back().offsetMs + m_members.back().durationMs;
}

const TripMember* CTrip::MemberOfRow(int32_t row) const {
    const auto it = std::find_if(m_members.begin(), m_members.end(),
                                 [row](const TripMember& member) { return member.row == row; });
    return it != m_members.end() ? &*it : nullptr;
}

std::optional<TripPoint> CTrip::At(int64_t tripMs) const {
    if (m_members.empty()) {
        return std::nullopt;
    }
    const int64_t clamped = std::clamp<int64_t>(tripMs, 0, DurationMs());
    // The last member that starts at or before the time; the end belongs to the last one.
    auto it =
        std::upper_bound(m_members.begin(), m_members.end(), clamped,
                         [](int64_t ms, const TripMember& member) { return ms < member.offsetMs; });
    const TripMember& member = *std::prev(it);
    return TripPoint{member.row,
                     std::min(clamped - member.offsetMs, std::max<int64_t>(member.durationMs, 0))};
}

std::optional<int64_t> CTrip::TripMsOf(int32_t row, int64_t positionMs) const {
    const TripMember* member = MemberOfRow(row);
    if (member == nullptr) {
        return std::nullopt;
    }
    return member->offsetMs + std::clamp<int64_t>(positionMs, 0, member->durationMs);
}

bool CTrip::operator==(const CTrip& other) const {
    return std::equal(m_members.begin(), m_members.end(), other.m_members.begin(),
                      other.m_members.end(), [](const TripMember& a, const TripMember& b) {
                          return a.row == b.row && a.durationMs == b.durationMs;
                      });
}

CTrips::CTrips(const std::vector<TripRow>& rows)
    : m_durationMs(rows.size()), m_continues(rows.size(), false) {
    std::optional<int64_t> previousEndMs;
    for (size_t row = 0; row < rows.size(); ++row) {
        const std::optional<int64_t> startMs = NameStartMs(rows[row].name);
        const std::optional<int64_t> durationMs =
            rows[row].durationMs.has_value() && *rows[row].durationMs > 0 ? rows[row].durationMs
                                                                          : std::nullopt;
        m_durationMs[row] = durationMs;
        if (row > 0 && previousEndMs && startMs && durationMs &&
            std::abs(*startMs - *previousEndMs) <= kToleranceMs) {
            m_continues[row - 1] = true;
        }
        previousEndMs =
            startMs && durationMs ? std::optional<int64_t>(*startMs + *durationMs) : std::nullopt;
    }
}

bool CTrips::ContinuesTrip(int32_t row) const {
    return row >= 0 && row < RowCount() && m_continues[static_cast<size_t>(row)];
}

CTrip CTrips::TripOf(int32_t row) const {
    if (row < 0 || row >= RowCount()) {
        return {};
    }
    int32_t first = row;
    while (first > 0 && ContinuesTrip(first - 1)) {
        --first;
    }
    int32_t last = row;
    while (ContinuesTrip(last)) {
        ++last;
    }
    std::vector<TripMember> members;
    for (int32_t r = first; r <= last; ++r) {
        members.push_back(TripMember{r, m_durationMs[static_cast<size_t>(r)].value_or(0), 0});
    }
    return CTrip(std::move(members));
}

std::vector<CTrip> CTrips::All() const {
    std::vector<CTrip> trips;
    for (int32_t row = 0; row < RowCount(); row = trips.back().LastRow() + 1) {
        trips.push_back(TripOf(row));
    }
    return trips;
}

std::optional<int64_t> CTrips::NameStartMs(QStringView name) {
    // YYMMDD at 4-9, HHMMSS at 11-16.
    constexpr std::array<qsizetype, 6> kPairs = {4, 6, 8, 11, 13, 15};
    std::array<int, 6> values{};
    for (size_t i = 0; i < kPairs.size(); ++i) {
        const std::optional<int> value = TwoDigits(name, kPairs[i]);
        if (!value) {
            return std::nullopt;
        }
        values[i] = *value;
    }
    const QDate date(kCenturyStart + values[0], values[1], values[2]);
    const QTime time(values[3], values[4], values[5]);
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    const int64_t days = date.toJulianDay() - QDate(kCenturyStart, 1, 1).toJulianDay();
    return days * kMsPerDay + time.msecsSinceStartOfDay() / kMsPerSecond * kMsPerSecond;
}

}  // namespace player
