#pragma once
// Trips: the recordings one drive left in a list, one after another. Within the listed
// category, rows in list order form a trip while each recording starts within kToleranceMs of
// the previous one's end (its start from the name keys, its end the start plus its duration);
// a name without full keys, a gap or a missing duration ends a trip. A trip's timeline is its
// recordings' durations laid end to end. Plain values; any thread.

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace player {

// What the rule reads of one list row.
struct TripRow {
    QString name;                       // the file name, with its keys at characters 4-9, 11-16
    std::optional<int64_t> durationMs;  // from the file's own index; none when not (yet) known
};

// One recording of a trip.
struct TripMember {
    int32_t row = -1;
    int64_t durationMs = 0;  // 0 when not known (a trip of one)
    int64_t offsetMs = 0;    // where it starts on the trip's timeline
};

// A place on a trip's timeline: a recording (its row) and a position in it.
struct TripPoint {
    int32_t row = -1;
    int64_t positionMs = 0;
};

class CTrip {
public:
    CTrip() = default;
    // Members in list order; their offsets are set from the durations.
    explicit CTrip(std::vector<TripMember> members);

    const std::vector<TripMember>& Members() const { return m_members; }
    int32_t Size() const { return static_cast<int32_t>(m_members.size()); }
    bool IsEmpty() const { return m_members.empty(); }
    int32_t FirstRow() const { return m_members.empty() ? -1 : m_members.front().row; }
    int32_t LastRow() const { return m_members.empty() ? -1 : m_members.back().row; }
    int64_t DurationMs() const;
    // The member of a row; none when the row is not in the trip.
    const TripMember* MemberOfRow(int32_t row) const;

    // The recording and position at a trip time, clamped into the trip (a time at a boundary
    // is the later recording's start); none for an empty trip.
    std::optional<TripPoint> At(int64_t tripMs) const;
    // The trip time of a position in a row's recording; none when the row is not in the trip.
    std::optional<int64_t> TripMsOf(int32_t row, int64_t positionMs) const;

    bool operator==(const CTrip& other) const;

private:
    std::vector<TripMember> m_members;
};

class CTrips {
public:
    // How far a recording may start before or after the previous one's end.
    static constexpr int64_t kToleranceMs = 2000;

    CTrips() = default;
    explicit CTrips(const std::vector<TripRow>& rows);

    int32_t RowCount() const { return static_cast<int32_t>(m_durationMs.size()); }
    // True when row + 1 continues the trip of row (false for rows outside the list).
    bool ContinuesTrip(int32_t row) const;
    // The trip a row belongs to; a row in no trip of two or more is a trip of one. Empty for a
    // row outside the list.
    CTrip TripOf(int32_t row) const;
    // Every trip in list order, each row in exactly one.
    std::vector<CTrip> All() const;

    // The camera time a name's keys give, in ms since 2000-01-01; none without all twelve key
    // digits or for a date or time that does not exist.
    static std::optional<int64_t> NameStartMs(QStringView name);

private:
    std::vector<std::optional<int64_t>> m_durationMs;
    std::vector<bool> m_continues;  // [row]: row + 1 continues row's trip
};

}  // namespace player
