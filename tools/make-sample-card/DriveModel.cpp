#include "tools/make-sample-card/DriveModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>

namespace samplecard {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravity = 9.81;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kKnotsPerKmh = 1.0 / 1.852;
constexpr double kBrakeFloor = 0.15;   // share of the speed left after hard braking
constexpr double kBrakeSeconds = 2.0;  // time to shed the speed
constexpr double kImpactG = 1.6;       // peak of the braking jolt
constexpr double kImpactWidthS = 0.12;
constexpr double kRoadNoiseG = 0.03;     // a rough road's shaking on top of the sensor's own
constexpr double kMinTurnSpeedMs = 2.0;  // slower, the car turns no sharp corner
// Manoeuvres lie this far apart, each one's recovery done before the next; a recording keeps
// a few seconds clear at its ends.
constexpr double kSlotS = 12.0;
constexpr double kSlotMarginS = 4.0;
constexpr double kCalmMinG = 0.12;
constexpr double kCalmMaxG = 0.26;
constexpr std::array kDrivingKinds = {ManoeuvreKind::Braking, ManoeuvreKind::Cornering,
                                      ManoeuvreKind::Acceleration, ManoeuvreKind::Impact};
constexpr std::array kParkedKinds = {ManoeuvreKind::Shove, ManoeuvreKind::Impact};
constexpr std::array kCalmKinds = {ManoeuvreKind::Braking, ManoeuvreKind::Cornering,
                                   ManoeuvreKind::Acceleration};

double CruiseKmh(double driveS) {
    return 52.0 + 14.0 * std::sin(2.0 * kPi * driveS / 53.0) +
           6.0 * std::sin(2.0 * kPi * driveS / 17.0 + 1.0);
}

// Gentle bends as the road goes on.
double CourseAt(double distanceM) {
    const double course =
        45.0 + 70.0 * std::sin(distanceM / 900.0) + 15.0 * std::sin(distanceM / 170.0);
    return std::fmod(course + 360.0, 360.0);
}

// The course's change per metre.
double CurvatureAt(double distanceM) {
    const double degreesPerM =
        70.0 / 900.0 * std::cos(distanceM / 900.0) + 15.0 / 170.0 * std::cos(distanceM / 170.0);
    return degreesPerM * kPi / 180.0;
}

double SpeedAt(const ClipPlan& clip, int lengthSeconds, double driveS, double clipS) {
    if (clip.parked) {
        return 0.0;
    }
    double speed = CruiseKmh(driveS) + ManoeuvreSpeedKmh(clip.manoeuvres, clipS);
    const double brakeAt = lengthSeconds / 2.0;
    if (clip.braking && clipS > brakeAt) {
        speed *=
            std::max(kBrakeFloor, 1.0 - (1.0 - kBrakeFloor) * (clipS - brakeAt) / kBrakeSeconds);
    }
    return speed;
}

double Round2(double value) {
    const double rounded = std::round(std::clamp(value, -9.99, 9.99) * 100.0) / 100.0;
    return rounded == 0.0 ? 0.0 : rounded;  // no "-0.00"
}

QString TwoDigitDate(const QDate& date) {
    return QStringLiteral("%1%2%3")
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

double RoundToSample(double seconds) {
    return std::round(seconds * kSamplesPerSecond) / kSamplesPerSecond;
}

// Peak times of a recording's manoeuvres: evenly spread, on reading instants.
std::vector<double> PeakTimes(int lengthSeconds) {
    const int count = std::max(1, static_cast<int>((lengthSeconds - kSlotMarginS) / kSlotS));
    std::vector<double> peaks;
    for (int k = 1; k <= count; ++k) {
        peaks.push_back(RoundToSample(static_cast<double>(lengthSeconds) * k / (count + 1)));
    }
    return peaks;
}

// Counts the harsh manoeuvres planned so far, so the kinds take turns over the card.
struct ManoeuvreTurns {
    int driving = 0;
    int parked = 0;
    bool demoPlaced = false;
};

void PlanManoeuvres(ClipPlan& clip, const CardOptions& options, int clipIndex,
                    ManoeuvreTurns& turns) {
    const int seed = clipIndex + 1;  // as SimulateCard seeds the recording's noise
    const double driveStartS = static_cast<double>(clipIndex) * options.lengthSeconds;
    clip.roughRoad = options.roughRoad && !clip.parked;  // a parked car stands still
    if (clip.roughRoad) {
        clip.bumps = PlanBumps(seed, options.lengthSeconds);
    }
    if (clip.braking) {
        return;  // its hard stop is its incident
    }
    if (options.incidents) {
        for (const double peakS : PeakTimes(options.lengthSeconds)) {
            const int turn = clip.parked ? turns.parked++ : turns.driving++;
            const int kinds =
                static_cast<int>(clip.parked ? kParkedKinds.size() : kDrivingKinds.size());
            const ManoeuvreKind kind = clip.parked
                                           ? kParkedKinds[static_cast<std::size_t>(turn % kinds)]
                                           : kDrivingKinds[static_cast<std::size_t>(turn % kinds)];
            clip.manoeuvres.push_back(
                HarshManoeuvre(kind, turn / kinds, peakS, CruiseKmh(driveStartS + peakS)));
        }
    } else if (options.demo && clip.category == 0 && !turns.demoPlaced) {
        // The demo's first normal recording brakes hard once, halfway.
        const double peakS = RoundToSample(options.lengthSeconds / 2.0);
        clip.manoeuvres.push_back(
            HarshManoeuvre(ManoeuvreKind::Braking, 0, peakS, CruiseKmh(driveStartS + peakS)));
        turns.demoPlaced = true;
    } else if (clip.roughRoad) {
        std::mt19937 random(static_cast<std::uint32_t>(seed));
        std::uniform_real_distribution<double> strength(kCalmMinG, kCalmMaxG);
        std::size_t k = 0;
        for (const double peakS : PeakTimes(options.lengthSeconds)) {
            clip.manoeuvres.push_back(
                CalmManoeuvre(kCalmKinds[k++ % kCalmKinds.size()], peakS, strength(random)));
        }
    }
}

// The sideways acceleration sharp corners ask for at clipS; each turns the way the road bends
// where it begins (turnSigns keeps that), so it sharpens the bend.
double CorneringDemandG(const ClipPlan& clip, double clipS, double distanceM,
                        std::vector<double>& turnSigns) {
    double g = 0.0;
    for (std::size_t i = 0; i < clip.manoeuvres.size(); ++i) {
        const double share = CorneringG(clip.manoeuvres[i], clipS);
        if (share != 0.0 && turnSigns[i] == 0.0) {
            turnSigns[i] = CurvatureAt(distanceM) >= 0.0 ? 1.0 : -1.0;
        }
        g += turnSigns[i] * share;
    }
    return g;
}

// The jolt of a braking recording's hard stop.
double HardStopJoltG(const ClipPlan& clip, int lengthSeconds, double clipS) {
    if (!clip.braking) {
        return 0.0;
    }
    const double fromImpact = (clipS - lengthSeconds / 2.0) / kImpactWidthS;
    return kImpactG * std::exp(-fromImpact * fromImpact);
}

// Knocks, shoves and a rough road's bumps and shaking on top of the driving.
template <typename Noise>
void AddRoad(const ClipPlan& clip, double clipS, DriveSample& s, Noise noise) {
    const CarAccel jolt = ManoeuvreJoltG(clip.manoeuvres, clipS);
    const CarAccel bump = BumpG(clip.bumps, clipS);
    s.accelX += jolt.x + bump.x;
    s.accelY += jolt.y + bump.y;
    s.accelZ += jolt.z + bump.z;
    if (clip.roughRoad) {
        s.accelX += noise();
        s.accelY += noise();
        s.accelZ += noise();
    }
}

double Degrees360(double degrees) {
    return std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0);
}

}  // namespace

std::vector<ClipPlan> PlanCard(const CardOptions& options) {
    std::vector<ClipPlan> plan;
    ManoeuvreTurns turns;
    QDateTime next = options.start;
    const QString extension = ContainerExtension(options.container);
    for (int c = 0; c < kCategoryCount; ++c) {
        const CategoryInfo& info = Categories()[static_cast<std::size_t>(c)];
        if (!options.enabled[static_cast<std::size_t>(c)]) {
            continue;
        }
        for (int i = 0; i < options.counts[static_cast<std::size_t>(c)]; ++i) {
            ClipPlan clip;
            clip.category = c;
            clip.start = next;
            clip.braking = info.braking;
            clip.parked = info.parked;
            PlanManoeuvres(clip, options, static_cast<int>(plan.size()), turns);
            clip.relativePath = QStringLiteral("%1/%2%3_%4_F.%5")
                                    .arg(QLatin1String(info.folder), QLatin1String(info.prefix),
                                         TwoDigitDate(next.date()),
                                         next.time().toString(QStringLiteral("HHmmss")), extension);
            plan.push_back(clip);
            next = next.addSecs(options.lengthSeconds);
        }
    }
    return plan;
}

std::vector<DriveSample> SimulateClip(const ClipPlan& clip, int lengthSeconds, int seed,
                                      DriveState& state) {
    std::mt19937 random(static_cast<std::uint32_t>(seed));
    std::normal_distribution<double> jitter(0.0, 0.02);
    std::mt19937 roadRandom(static_cast<std::uint32_t>(seed) + 1000U);
    std::normal_distribution<double> roadNoise(0.0, kRoadNoiseG);
    const int count = lengthSeconds * kSamplesPerSecond + 1;
    const double step = 1.0 / kSamplesPerSecond;
    std::vector<DriveSample> samples(static_cast<std::size_t>(count));
    std::vector<double> turnSigns(clip.manoeuvres.size(), 0.0);
    double previousSpeed = SpeedAt(clip, lengthSeconds, state.elapsedS, 0.0);
    double previousCourse = Degrees360(CourseAt(state.distanceM) + state.headingOffsetDeg);
    for (int k = 0; k < count; ++k) {
        const double clipS = k * step;
        DriveSample& s = samples[static_cast<std::size_t>(k)];
        s.speedKmh = SpeedAt(clip, lengthSeconds, state.elapsedS + clipS, clipS);
        const double speedMs = s.speedKmh / 3.6;
        const double lateralG = CorneringDemandG(clip, clipS, state.distanceM, turnSigns);
        const double turnRate = speedMs > kMinTurnSpeedMs ? lateralG * kGravity / speedMs : 0.0;
        if (k > 0) {
            const double metres = (s.speedKmh + previousSpeed) / 2.0 / 3.6 * step;
            const double course = previousCourse * kPi / 180.0;
            state.distanceM += metres;
            state.latitudeDeg += metres * std::cos(course) / kMetresPerDegree;
            state.longitudeDeg += metres * std::sin(course) /
                                  (kMetresPerDegree * std::cos(state.latitudeDeg * kPi / 180.0));
            state.headingOffsetDeg += turnRate * step * 180.0 / kPi;
        }
        s.distanceM = state.distanceM;
        s.latitudeDeg = state.latitudeDeg;
        s.longitudeDeg = state.longitudeDeg;
        s.courseDeg = Degrees360(CourseAt(state.distanceM) + state.headingOffsetDeg);
        s.curvaturePerM =
            CurvatureAt(state.distanceM) + (speedMs > kMinTurnSpeedMs ? turnRate / speedMs : 0.0);
        double turn = s.courseDeg - previousCourse;
        turn = std::remainder(turn, 360.0) * kPi / 180.0;
        s.accelY = (s.speedKmh - previousSpeed) / 3.6 / step / kGravity + jitter(random);
        s.accelX = (s.speedKmh / 3.6) * (turn / step) / kGravity + jitter(random);
        s.accelZ = 1.0 + jitter(random);
        if (clip.braking) {
            const double jolt = HardStopJoltG(clip, lengthSeconds, clipS);
            s.accelY -= jolt;
            s.accelZ += 0.35 * jolt;
            s.accelX += 0.25 * jolt;
        }
        AddRoad(clip, clipS, s, [&] { return roadNoise(roadRandom); });
        previousSpeed = s.speedKmh;
        previousCourse = s.courseDeg;
    }
    state.elapsedS += lengthSeconds;
    return samples;
}

double ImpactJoltG(const ClipPlan& clip, int lengthSeconds, double clipS) {
    const CarAccel jolt = ManoeuvreJoltG(clip.manoeuvres, clipS);
    return HardStopJoltG(clip, lengthSeconds, clipS) + std::hypot(jolt.x, jolt.y, jolt.z);
}

std::vector<IncidentLabel> IncidentLabels(const std::vector<ClipPlan>& plan, int lengthSeconds) {
    std::vector<IncidentLabel> labels;
    for (const ClipPlan& clip : plan) {
        if (clip.braking) {
            // The hard stop's jolt, along, across and up as SimulateClip shares it out.
            labels.push_back(
                {clip.relativePath, static_cast<int>(std::lround(lengthSeconds * 1000.0 / 2.0)),
                 LabelKind(ManoeuvreKind::Impact), kImpactG * std::hypot(1.0, 0.25, 0.35)});
        }
        for (const Manoeuvre& m : clip.manoeuvres) {
            if (m.labelled) {
                labels.push_back({clip.relativePath,
                                  static_cast<int>(std::lround(m.peakS * 1000.0)),
                                  LabelKind(m.kind), m.peakG});
            }
        }
    }
    return labels;
}

std::vector<PlannedClip> SimulateCard(const CardOptions& options) {
    std::vector<PlannedClip> out;
    DriveState state;
    for (const ClipPlan& clip : PlanCard(options)) {
        PlannedClip planned;
        planned.clip = clip;
        planned.seed = static_cast<int>(out.size()) + 1;
        planned.drive = SimulateClip(clip, options.lengthSeconds, planned.seed, state);
        out.push_back(std::move(planned));
    }
    return out;
}

DriveSample SampleAt(const std::vector<DriveSample>& samples, double timeS) {
    if (samples.empty()) {
        return {};
    }
    const double position =
        std::clamp(timeS * kSamplesPerSecond, 0.0, static_cast<double>(samples.size() - 1));
    const auto low = static_cast<std::size_t>(position);
    const std::size_t high = std::min(low + 1, samples.size() - 1);
    const double f = position - static_cast<double>(low);
    const DriveSample& a = samples[low];
    const DriveSample& b = samples[high];
    DriveSample s = a;
    s.speedKmh = a.speedKmh + (b.speedKmh - a.speedKmh) * f;
    s.distanceM = a.distanceM + (b.distanceM - a.distanceM) * f;
    s.curvaturePerM = a.curvaturePerM + (b.curvaturePerM - a.curvaturePerM) * f;
    s.latitudeDeg = a.latitudeDeg + (b.latitudeDeg - a.latitudeDeg) * f;
    s.longitudeDeg = a.longitudeDeg + (b.longitudeDeg - a.longitudeDeg) * f;
    return s;
}

std::string FormatGpsLine(const DriveSample& sample, const QDateTime& utc) {
    // NMEA positions are degrees * 100 + minutes.
    const auto toNmea = [](double degrees) {
        const double whole = std::floor(degrees);
        return whole * 100.0 + (degrees - whole) * 60.0;
    };
    const QTime time = utc.time();
    char line[160];
    std::snprintf(line, sizeof line,
                  "GPRMC,%02d%02d%02d.00,A,%09.4f,N,%010.4f,E,%05.1f,%05.1f,%s,,,A", time.hour(),
                  time.minute(), time.second(), toNmea(sample.latitudeDeg),
                  toNmea(sample.longitudeDeg), sample.speedKmh * kKnotsPerKmh, sample.courseDeg,
                  QStringLiteral("%1%2%3")
                      .arg(utc.date().day(), 2, 10, QLatin1Char('0'))
                      .arg(utc.date().month(), 2, 10, QLatin1Char('0'))
                      .arg(utc.date().year() % 100, 2, 10, QLatin1Char('0'))
                      .toLatin1()
                      .constData());
    return line;
}

std::string FormatGSensorLine(const DriveSample& sample) {
    char line[64];
    std::snprintf(line, sizeof line, "M,X%+5.2f,Y%+5.2f,Z%+5.2f", Round2(sample.accelX),
                  Round2(sample.accelY), Round2(sample.accelZ));
    return line;
}

std::vector<TelemetrySample> BuildTelemetry(const ClipPlan& clip,
                                            const std::vector<DriveSample>& samples,
                                            int lengthSeconds) {
    std::vector<TelemetrySample> out;
    const int count = lengthSeconds * kSamplesPerSecond;
    const int stepMs = 1000 / kSamplesPerSecond;
    out.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count && static_cast<std::size_t>(k) < samples.size(); ++k) {
        const DriveSample& s = samples[static_cast<std::size_t>(k)];
        TelemetrySample t;
        t.startMs = k * stepMs;
        t.durationMs = stepMs;
        if (k % kSamplesPerSecond == 0) {
            const QDateTime utc =
                clip.start.addSecs(k / kSamplesPerSecond - kCameraUtcOffsetSeconds);
            t.text = FormatGpsLine(s, utc) + "\n";
        }
        t.text += FormatGSensorLine(s);
        out.push_back(std::move(t));
    }
    return out;
}

}  // namespace samplecard
