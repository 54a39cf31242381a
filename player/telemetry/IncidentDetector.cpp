#include "player/telemetry/IncidentDetector.h"

#include "player/telemetry/Log.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

namespace player {

namespace {

constexpr double kStandardGravity = 9.80665;  // m/s² in one g
constexpr double kKmhPerMetrePerSecond = 3.6;
constexpr double kMsPerSecond = 1000.0;
constexpr double kSensorUnitsPerG = 64.0;
// Gravity follows over ±12 s, so a manoeuvre of a few seconds barely moves it, and each further
// pass leaves out the readings that strayed more than kQuietG from the last one.
constexpr int32_t kGravityHalfWindowMs = 12000;
constexpr double kQuietG = 0.2;
constexpr int kGravityPasses = 3;
constexpr int kMinQuietShare = 4;  // a pass needs a quarter of the window quiet
constexpr int kMinQuietReadings = 3;
constexpr double kMinGravityG = 0.5;  // a sensor that does not feel gravity tells nothing
// Road noise is averaged over ±150 ms (three readings at 10 Hz) before it is judged.
constexpr int32_t kSmoothHalfWindowMs = 150;
constexpr int32_t kDefaultStepMs = 100;
constexpr int64_t kMaxStepsInStretch = 3;  // a longer gap between readings ends a stretch
// The direction of travel comes from speed changes between fixes at most 2.5 s apart, when
// they are large and many enough and the horizontal readings follow them.
constexpr int32_t kMaxFixGapMs = 2500;
constexpr int kMinSpeedIntervals = 5;
constexpr double kMinSpeedChangeRmsG = 0.02;
constexpr double kMinExplainedShare = 0.3;
constexpr double kMinAxisGain = 0.25;
constexpr double kMaxAxisGain = 4.0;
constexpr int32_t kSpeedSearchMs = 3000;  // speeds before and after come from fixes this near

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, double f) {
    return {a.x * f, a.y * f, a.z * f};
}
double Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double Length(Vec3 a) {
    return std::sqrt(Dot(a, a));
}
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The readings in time order (as the store should already hold them) and the fixes likewise.
struct Series {
    std::vector<int32_t> times;
    std::vector<Vec3> values;
    std::vector<SpeedFix> speeds;
};

Series Prepare(const MotionSeries& input) {
    std::vector<AccelReading> readings;
    readings.reserve(input.readings.size());
    std::copy_if(input.readings.begin(), input.readings.end(), std::back_inserter(readings),
                 [](const AccelReading& r) {
                     return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.z);
                 });
    const auto byTime = [](const auto& a, const auto& b) { return a.timeMs < b.timeMs; };
    std::stable_sort(readings.begin(), readings.end(), byTime);
    Series series;
    series.times.reserve(readings.size());
    series.values.reserve(readings.size());
    for (const AccelReading& r : readings) {
        series.times.push_back(r.timeMs);
        series.values.push_back({r.x, r.y, r.z});
    }
    std::copy_if(input.speeds.begin(), input.speeds.end(), std::back_inserter(series.speeds),
                 [](const SpeedFix& f) { return std::isfinite(f.speedKmh); });
    std::stable_sort(series.speeds.begin(), series.speeds.end(), byTime);
    return series;
}

// For every reading, the mean of the values in use within ±halfMs of it, and how many there
// were; prefix sums keep it linear.
void WindowMeans(const std::vector<int32_t>& times, const std::vector<Vec3>& values,
                 const std::vector<char>& used, int32_t halfMs, std::vector<Vec3>& means,
                 std::vector<int>& counts) {
    const size_t n = times.size();
    std::vector<Vec3> sums(n + 1);
    std::vector<int> uses(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        sums[i + 1] = used[i] != 0 ? sums[i] + values[i] : sums[i];
        uses[i + 1] = uses[i] + (used[i] != 0 ? 1 : 0);
    }
    means.assign(n, Vec3{});
    counts.assign(n, 0);
    size_t lo = 0;
    size_t hi = 0;
    for (size_t i = 0; i < n; ++i) {
        const int64_t from = int64_t{times[i]} - halfMs;
        const int64_t to = int64_t{times[i]} + halfMs;
        while (times[lo] < from) {
            ++lo;
        }
        while (hi < n && times[hi] <= to) {
            ++hi;
        }
        counts[i] = uses[hi] - uses[lo];
        if (counts[i] > 0) {
            means[i] = (sums[hi] - sums[lo]) * (1.0 / counts[i]);
        }
    }
}

std::vector<Vec3> FollowGravity(const Series& s) {
    std::vector<char> used(s.times.size(), 1);
    std::vector<Vec3> gravity;
    std::vector<int> allCounts;
    WindowMeans(s.times, s.values, used, kGravityHalfWindowMs, gravity, allCounts);
    std::vector<Vec3> quiet;
    std::vector<int> quietCounts;
    for (int pass = 1; pass < kGravityPasses; ++pass) {
        for (size_t i = 0; i < used.size(); ++i) {
            used[i] = Length(s.values[i] - gravity[i]) <= kQuietG ? 1 : 0;
        }
        WindowMeans(s.times, s.values, used, kGravityHalfWindowMs, quiet, quietCounts);
        for (size_t i = 0; i < gravity.size(); ++i) {
            // Where the car manoeuvres for most of the window, the last pass's gravity stays.
            if (quietCounts[i] >= kMinQuietReadings &&
                quietCounts[i] * kMinQuietShare >= allCounts[i]) {
                gravity[i] = quiet[i];
            }
        }
    }
    return gravity;
}

// Two horizontal axes and up, from the recording's mean gravity.
struct Frame {
    Vec3 first;
    Vec3 second;
    Vec3 up;
};

std::optional<Frame> FrameOf(const std::vector<Vec3>& gravity) {
    Vec3 sum;
    for (const Vec3& g : gravity) {
        sum = sum + g;
    }
    const Vec3 mean = sum * (1.0 / static_cast<double>(gravity.size()));
    const double length = Length(mean);
    if (!(length >= kMinGravityG)) {
        return std::nullopt;
    }
    Frame frame;
    frame.up = mean * (1.0 / length);
    // The sensor axis least along gravity gives the first horizontal axis.
    const double ax = std::abs(frame.up.x);
    const double ay = std::abs(frame.up.y);
    const double az = std::abs(frame.up.z);
    const Vec3 helper =
        ax <= ay && ax <= az ? Vec3{1, 0, 0} : (ay <= az ? Vec3{0, 1, 0} : Vec3{0, 0, 1});
    const Vec3 first = helper - frame.up * Dot(helper, frame.up);
    frame.first = first * (1.0 / Length(first));
    frame.second = Cross(frame.up, frame.first);
    return frame;
}

// The direction of travel as a unit vector on the two horizontal axes: where the horizontal
// readings best follow the GPS speed's changes (least squares, both taken about their means, as
// the mounting fixes the relation but not gravity's share); none when the speed says too
// little for it. flat: each reading on the horizontal axes, gravity not taken away.
std::optional<std::pair<double, double>> ForwardAxis(const std::vector<int32_t>& times,
                                                     const std::vector<Vec3>& flat,
                                                     const std::vector<SpeedFix>& speeds) {
    std::vector<Vec3> sums(flat.size() + 1);
    for (size_t i = 0; i < flat.size(); ++i) {
        sums[i + 1] = sums[i] + flat[i];
    }
    std::vector<Vec3> changes;  // x, y: mean reading between two fixes; z: the speed's change
    for (size_t k = 1; k < speeds.size(); ++k) {
        const int64_t dtMs = int64_t{speeds[k].timeMs} - speeds[k - 1].timeMs;
        const auto lo = std::lower_bound(times.begin(), times.end(), speeds[k - 1].timeMs);
        const auto hi = std::lower_bound(times.begin(), times.end(), speeds[k].timeMs);
        if (dtMs <= 0 || dtMs > kMaxFixGapMs || hi <= lo) {
            continue;
        }
        const auto from = static_cast<size_t>(lo - times.begin());
        const auto to = static_cast<size_t>(hi - times.begin());
        Vec3 change = (sums[to] - sums[from]) * (1.0 / static_cast<double>(to - from));
        change.z = (speeds[k].speedKmh - speeds[k - 1].speedKmh) / kKmhPerMetrePerSecond /
                   (static_cast<double>(dtMs) / kMsPerSecond) / kStandardGravity;
        changes.push_back(change);
    }
    if (changes.size() < static_cast<size_t>(kMinSpeedIntervals)) {
        return std::nullopt;
    }
    Vec3 mean;
    for (const Vec3& c : changes) {
        mean = mean + c;
    }
    mean = mean * (1.0 / static_cast<double>(changes.size()));
    double m11 = 0, m12 = 0, m22 = 0, b1 = 0, b2 = 0, aa = 0;
    for (const Vec3& c : changes) {
        const Vec3 d = c - mean;
        m11 += d.x * d.x;
        m12 += d.x * d.y;
        m22 += d.y * d.y;
        b1 += d.x * d.z;
        b2 += d.y * d.z;
        aa += d.z * d.z;
    }
    const double det = m11 * m22 - m12 * m12;
    if (aa < static_cast<double>(changes.size()) * kMinSpeedChangeRmsG * kMinSpeedChangeRmsG ||
        !(det > 1e-9 * (m11 + m22) * (m11 + m22))) {
        return std::nullopt;
    }
    const double w1 = (m22 * b1 - m12 * b2) / det;
    const double w2 = (m11 * b2 - m12 * b1) / det;
    const double gain = std::hypot(w1, w2);
    if (w1 * b1 + w2 * b2 < kMinExplainedShare * aa || gain < kMinAxisGain || gain > kMaxAxisGain) {
        return std::nullopt;
    }
    return std::make_pair(w1 / gain, w2 / gain);
}

struct Detection {
    int32_t startMs = 0;
    int32_t endMs = 0;
    int32_t peakMs = 0;
    double peakG = 0;
    IncidentKind kind = IncidentKind::Motion;
};

// Stretches where the signal stays at or above the threshold for holdMs or longer (a reading
// stands for one step of time), each with its highest reading.
void FindStretches(const std::vector<int32_t>& times, const std::vector<double>& signal,
                   double threshold, int32_t holdMs, int32_t stepMs, IncidentKind kind,
                   std::vector<Detection>& found) {
    if (!(threshold > 0)) {
        return;
    }
    const size_t n = times.size();
    for (size_t i = 0; i < n;) {
        if (!(signal[i] >= threshold)) {
            ++i;
            continue;
        }
        size_t end = i;
        size_t peak = i;
        while (end + 1 < n && signal[end + 1] >= threshold &&
               int64_t{times[end + 1]} - times[end] <= kMaxStepsInStretch * stepMs) {
            ++end;
            peak = signal[end] > signal[peak] ? end : peak;
        }
        if (int64_t{times[end]} - times[i] + stepMs >= holdMs) {
            found.push_back({times[i], times[end], times[peak], signal[peak], kind});
        }
        i = end + 1;
    }
}

// The usual time between readings.
int32_t StepOf(const std::vector<int32_t>& times) {
    std::vector<int32_t> steps;
    steps.reserve(times.size());
    for (size_t i = 1; i < times.size(); ++i) {
        const int64_t step = int64_t{times[i]} - times[i - 1];
        if (step > 0) {
            steps.push_back(static_cast<int32_t>(std::min<int64_t>(step, INT32_MAX)));
        }
    }
    if (steps.empty()) {
        return kDefaultStepMs;
    }
    auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

// Detections closer than mergeMs to the one before are one incident, of the highest peak.
std::vector<Incident> Merge(std::vector<Detection> found, int32_t mergeMs) {
    std::stable_sort(found.begin(), found.end(),
                     [](const Detection& a, const Detection& b) { return a.peakMs < b.peakMs; });
    std::vector<Incident> incidents;
    int64_t lastPeakMs = 0;
    for (const Detection& d : found) {
        if (!incidents.empty() && int64_t{d.peakMs} - lastPeakMs < mergeMs) {
            Incident& kept = incidents.back();
            kept.startMs = std::min(kept.startMs, d.startMs);
            kept.endMs = std::max(kept.endMs, d.endMs);
            if (d.peakG > kept.peakG) {
                kept.peakMs = d.peakMs;
                kept.peakG = d.peakG;
                kept.kind = d.kind;
            }
        } else {
            Incident incident;
            incident.peakMs = d.peakMs;
            incident.kind = d.kind;
            incident.peakG = d.peakG;
            incident.startMs = d.startMs;
            incident.endMs = d.endMs;
            incidents.push_back(incident);
        }
        lastPeakMs = d.peakMs;
    }
    return incidents;
}

void AddSpeeds(Incident& incident, const std::vector<SpeedFix>& speeds) {
    const auto earlier = [](int32_t timeMs, const SpeedFix& f) { return timeMs < f.timeMs; };
    const auto later = [](const SpeedFix& f, int32_t timeMs) { return f.timeMs < timeMs; };
    const auto afterStart =
        std::upper_bound(speeds.begin(), speeds.end(), incident.startMs, earlier);
    if (afterStart != speeds.begin() &&
        int64_t{incident.startMs} - std::prev(afterStart)->timeMs <= kSpeedSearchMs) {
        incident.speedBeforeKmh = std::prev(afterStart)->speedKmh;
    }
    const auto atEnd = std::lower_bound(speeds.begin(), speeds.end(), incident.endMs, later);
    if (atEnd != speeds.end() && int64_t{atEnd->timeMs} - incident.endMs <= kSpeedSearchMs) {
        incident.speedAfterKmh = atEnd->speedKmh;
    }
}

// Braking, acceleration and cornering where the direction of travel is known, else motion:
// judged on the horizontal part of the smoothed rest of each reading.
void JudgeHorizontal(const Series& s, const std::vector<Vec3>& gravity, const Frame& frame,
                     int32_t stepMs, const IncidentThresholds& thresholds,
                     std::vector<Detection>& found) {
    const size_t n = s.times.size();
    std::vector<Vec3> local(n);  // the rest on the two horizontal axes and up
    std::vector<Vec3> flat(n);   // the reading on the horizontal axes
    for (size_t i = 0; i < n; ++i) {
        const Vec3 rest = s.values[i] - gravity[i];
        local[i] = {Dot(rest, frame.first), Dot(rest, frame.second), Dot(rest, frame.up)};
        flat[i] = {Dot(s.values[i], frame.first), Dot(s.values[i], frame.second), 0.0};
    }
    std::vector<Vec3> smooth;
    std::vector<int> counts;
    WindowMeans(s.times, local, std::vector<char>(n, 1), kSmoothHalfWindowMs, smooth, counts);
    std::vector<double> signal(n);
    const auto judge = [&](IncidentKind kind, double threshold, int32_t holdMs, auto value) {
        std::transform(smooth.begin(), smooth.end(), signal.begin(), value);
        FindStretches(s.times, signal, threshold, holdMs, stepMs, kind, found);
    };
    if (const auto forward = ForwardAxis(s.times, flat, s.speeds)) {
        const double f1 = forward->first;
        const double f2 = forward->second;
        const auto along = [f1, f2](const Vec3& v) { return v.x * f1 + v.y * f2; };
        judge(IncidentKind::Braking, thresholds.brakingG, thresholds.brakingHoldMs,
              [&](const Vec3& v) { return -along(v); });
        judge(IncidentKind::Acceleration, thresholds.accelerationG, thresholds.accelerationHoldMs,
              along);
        judge(IncidentKind::Cornering, thresholds.corneringG, thresholds.corneringHoldMs,
              [f1, f2](const Vec3& v) { return std::abs(v.y * f1 - v.x * f2); });
        return;
    }
    // Which way the car faces is unknown: a horizontal jolt is judged as the more sensitive of
    // braking and acceleration would judge it.
    const bool braking = thresholds.brakingG <= thresholds.accelerationG;
    judge(IncidentKind::Motion, braking ? thresholds.brakingG : thresholds.accelerationG,
          braking ? thresholds.brakingHoldMs : thresholds.accelerationHoldMs,
          [](const Vec3& v) { return std::hypot(v.x, v.y); });
}

}  // namespace

MotionSeries MotionSeriesOf(const CTextData& data) {
    MotionSeries series;
    series.readings.reserve(data.GSensorList().size());
    for (const CGSensorData& r : data.GSensorList()) {
        series.readings.push_back(
            {r.time, r.x / kSensorUnitsPerG, r.y / kSensorUnitsPerG, r.z / kSensorUnitsPerG});
    }
    for (const CGPSData& fix : data.GPSList()) {
        if (fix.valid != 0) {
            series.speeds.push_back({fix.time, fix.speed});
        }
    }
    return series;
}

std::vector<Incident> DetectIncidents(const MotionSeries& input,
                                      const IncidentThresholds& thresholds) {
    const Series s = Prepare(input);
    if (s.times.size() < 2) {
        return {};
    }
    const std::vector<Vec3> gravity = FollowGravity(s);
    const size_t n = s.times.size();
    std::vector<double> signal(n);
    for (size_t i = 0; i < n; ++i) {
        signal[i] = Length(s.values[i] - gravity[i]);
    }
    const int32_t stepMs = StepOf(s.times);
    std::vector<Detection> found;
    FindStretches(s.times, signal, thresholds.impactG, 0, stepMs, IncidentKind::Impact, found);
    // Without gravity there is no up, so nothing but a knock can be told.
    if (const std::optional<Frame> frame = FrameOf(gravity)) {
        JudgeHorizontal(s, gravity, *frame, stepMs, thresholds, found);
    } else {
        qCDebug(lcTelemetry) << "the G-sensor readings do not show gravity: knocks only";
    }
    std::vector<Incident> incidents = Merge(std::move(found), thresholds.mergeMs);
    for (Incident& incident : incidents) {
        AddSpeeds(incident, s.speeds);
    }
    return incidents;
}

}  // namespace player
