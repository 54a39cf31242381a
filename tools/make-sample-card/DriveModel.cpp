#include "tools/make-sample-card/DriveModel.h"

#include <algorithm>
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
    double speed = CruiseKmh(driveS);
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

}  // namespace

std::vector<ClipPlan> PlanCard(const CardOptions& options) {
    std::vector<ClipPlan> plan;
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
    const int count = lengthSeconds * kSamplesPerSecond + 1;
    const double step = 1.0 / kSamplesPerSecond;
    std::vector<DriveSample> samples(static_cast<std::size_t>(count));
    double previousSpeed = SpeedAt(clip, lengthSeconds, state.elapsedS, 0.0);
    double previousCourse = CourseAt(state.distanceM);
    for (int k = 0; k < count; ++k) {
        const double clipS = k * step;
        DriveSample& s = samples[static_cast<std::size_t>(k)];
        s.speedKmh = SpeedAt(clip, lengthSeconds, state.elapsedS + clipS, clipS);
        if (k > 0) {
            const double metres = (s.speedKmh + previousSpeed) / 2.0 / 3.6 * step;
            const double course = CourseAt(state.distanceM) * kPi / 180.0;
            state.distanceM += metres;
            state.latitudeDeg += metres * std::cos(course) / kMetresPerDegree;
            state.longitudeDeg += metres * std::sin(course) /
                                  (kMetresPerDegree * std::cos(state.latitudeDeg * kPi / 180.0));
        }
        s.distanceM = state.distanceM;
        s.latitudeDeg = state.latitudeDeg;
        s.longitudeDeg = state.longitudeDeg;
        s.courseDeg = CourseAt(state.distanceM);
        s.curvaturePerM = CurvatureAt(state.distanceM);
        double turn = s.courseDeg - previousCourse;
        turn = std::remainder(turn, 360.0) * kPi / 180.0;
        s.accelY = (s.speedKmh - previousSpeed) / 3.6 / step / kGravity + jitter(random);
        s.accelX = (s.speedKmh / 3.6) * (turn / step) / kGravity + jitter(random);
        s.accelZ = 1.0 + jitter(random);
        if (clip.braking) {
            const double jolt = ImpactJoltG(clip, lengthSeconds, clipS);
            s.accelY -= jolt;
            s.accelZ += 0.35 * jolt;
            s.accelX += 0.25 * jolt;
        }
        previousSpeed = s.speedKmh;
        previousCourse = s.courseDeg;
    }
    state.elapsedS += lengthSeconds;
    return samples;
}

double ImpactJoltG(const ClipPlan& clip, int lengthSeconds, double clipS) {
    if (!clip.braking) {
        return 0.0;
    }
    const double fromImpact = (clipS - lengthSeconds / 2.0) / kImpactWidthS;
    return kImpactG * std::exp(-fromImpact * fromImpact);
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
