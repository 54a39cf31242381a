#include "tools/make-sample-card/DriveModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

using namespace samplecard;

// The player's reading of a 'G' line: comma fields, atof numbers, fixed two-digit pairs.
struct Fix {
    int fields = 0;
    int hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
    bool valid = false;
    double latitude = 0, longitude = 0, speedKmh = 0, course = 0;
};

int Pair(const std::string& field, std::size_t at) {
    return field.size() >= at + 2 ? std::atoi(field.substr(at, 2).c_str()) : 0;
}

Fix ParseG(const std::string& line) {
    std::vector<std::string> f;
    std::stringstream in(line);
    for (std::string item; std::getline(in, item, ',');) {
        f.push_back(item);
    }
    Fix fix;
    fix.fields = static_cast<int>(f.size());
    if (f.size() < 10) {
        return fix;
    }
    fix.hour = Pair(f[1], 0);
    fix.minute = Pair(f[1], 2);
    fix.second = Pair(f[1], 4);
    fix.valid = !f[2].empty() && f[2][0] == 'A';
    fix.latitude = std::atof(f[3].c_str()) * (f[4].rfind('N', 0) == 0 ? 1 : -1);
    fix.longitude = std::atof(f[5].c_str()) * (f[6].rfind('E', 0) == 0 ? 1 : -1);
    fix.speedKmh = std::atof(f[7].c_str()) * 1.852;
    fix.course = std::atof(f[8].c_str());
    fix.day = Pair(f[9], 0);
    fix.month = Pair(f[9], 2);
    fix.year = Pair(f[9], 4);
    return fix;
}

// The player's reading of an 'M' line: three five-column values in 1/64 g.
std::array<int, 3> ParseM(const std::string& line) {
    std::array<int, 3> axes{};
    const std::size_t columns[] = {3, 10, 17};
    for (int i = 0; i < 3; ++i) {
        axes[static_cast<std::size_t>(i)] =
            line.size() > columns[i]
                ? static_cast<int>(std::atof(line.substr(columns[i], 5).c_str()) * 64.0)
                : 0;
    }
    return axes;
}

std::vector<PlannedClip> Card(const QStringList& extra) {
    const ParseResult parsed = ParseCardOptions(QStringList{QStringLiteral("card")} + extra);
    EXPECT_EQ(parsed.status, ParseStatus::Run);
    return SimulateCard(parsed.options);
}

TEST(DriveModel, TelemetryLinesParseAsTheCameraMeantThem) {
    const std::vector<PlannedClip> card =
        Card({"--categories", "event", "--length", "4", "--start", "2025-01-01 05:00:58"});
    ASSERT_EQ(card.size(), 1U);
    const std::vector<TelemetrySample> samples = BuildTelemetry(card[0].clip, card[0].drive, 4);
    ASSERT_EQ(samples.size(), 40U);
    int minY = 0;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const TelemetrySample& s = samples[k];
        EXPECT_EQ(s.startMs, static_cast<int>(k) * 100);
        EXPECT_EQ(s.durationMs, 100);
        const std::size_t newline = s.text.find('\n');
        const std::string mLine =
            newline == std::string::npos ? s.text : s.text.substr(newline + 1);
        ASSERT_EQ(mLine[0], 'M');
        ASSERT_EQ(mLine.size(), 22U) << mLine;
        const auto axes = ParseM(mLine);
        if (k < 15 || k > 25) {            // away from the jolt in the middle
            EXPECT_NEAR(axes[2], 64, 16);  // gravity on the third axis
        }
        minY = std::min(minY, axes[1]);
        ASSERT_EQ(newline != std::string::npos, k % 10 == 0) << s.text;
        if (newline == std::string::npos) {
            continue;
        }
        const Fix fix = ParseG(s.text.substr(0, newline));
        const DriveSample& truth = card[0].drive[k];
        EXPECT_EQ(fix.fields, 13);
        EXPECT_TRUE(fix.valid);
        // Camera time 05:00:58 + k/10 s is UTC 20:00:58 of the day before.
        const int utcSeconds = (20 * 3600 + 58 + static_cast<int>(k) / 10) % 86400;
        EXPECT_EQ(fix.hour * 3600 + fix.minute * 60 + fix.second, utcSeconds);
        EXPECT_EQ(std::make_tuple(fix.day, fix.month, fix.year),
                  utcSeconds < 58 ? std::make_tuple(1, 1, 25) : std::make_tuple(31, 12, 24));
        EXPECT_NEAR(fix.speedKmh, truth.speedKmh, 0.1);
        EXPECT_NEAR(fix.course, truth.courseDeg, 0.05);
        EXPECT_NEAR(fix.latitude, 3700 + (truth.latitudeDeg - 37) * 60, 1e-4);
        EXPECT_NEAR(fix.longitude, 12700 + (truth.longitudeDeg - 127) * 60, 1e-4);
    }
    EXPECT_LT(minY, -64);  // the braking jolt exceeds 1 g
}

TEST(DriveModel, OnlyEventRecordingsBrakeHardAndParkedOnesStandStill) {
    const std::vector<PlannedClip> card = Card({"--length", "6"});
    ASSERT_EQ(card.size(), 5U);
    for (const PlannedClip& planned : card) {
        SCOPED_TRACE(planned.clip.relativePath.toStdString());
        double minY = 0;
        double minSpeed = 1e9;
        double maxSpeed = 0;
        for (const DriveSample& s : planned.drive) {
            minY = std::min(minY, s.accelY);
            minSpeed = std::min(minSpeed, s.speedKmh);
            maxSpeed = std::max(maxSpeed, s.speedKmh);
        }
        EXPECT_EQ(minY < -1.0, planned.clip.braking);
        if (planned.clip.parked) {
            EXPECT_EQ(maxSpeed, 0.0);
            EXPECT_EQ(planned.drive.front().latitudeDeg, planned.drive.back().latitudeDeg);
        } else {
            EXPECT_GT(minSpeed, planned.clip.braking ? 5.0 : 30.0);
            EXPECT_LT(maxSpeed, 90.0);
        }
    }
}

TEST(DriveModel, ConsecutiveRecordingsContinueTheRouteNearSeoul) {
    const std::vector<PlannedClip> card = Card({"--count", "3", "--length", "5"});
    ASSERT_EQ(card.size(), 15U);
    for (std::size_t i = 0; i < card.size(); ++i) {
        const PlannedClip& clip = card[i];
        ASSERT_EQ(clip.drive.size(), 51U);
        EXPECT_NEAR(clip.drive.back().latitudeDeg, 37.4, 0.1);
        EXPECT_NEAR(clip.drive.back().longitudeDeg, 127.03, 0.1);
        if (i > 0) {
            const PlannedClip& before = card[i - 1];
            EXPECT_EQ(clip.clip.start, before.clip.start.addSecs(5));
            EXPECT_DOUBLE_EQ(clip.drive.front().distanceM, before.drive.back().distanceM);
            EXPECT_DOUBLE_EQ(clip.drive.front().latitudeDeg, before.drive.back().latitudeDeg);
        }
    }
    EXPECT_GT(card.back().drive.back().distanceM, 500.0);  // over a minute of driving
    // The bend the front camera shows is the one the course takes.
    const std::vector<DriveSample>& d = card[0].drive;
    for (std::size_t k = 1; k < d.size(); ++k) {
        const double turnDeg = std::remainder(d[k].courseDeg - d[k - 1].courseDeg, 360.0);
        const double metres = d[k].distanceM - d[k - 1].distanceM;
        EXPECT_NEAR(turnDeg, d[k].curvaturePerM * metres * 180.0 / M_PI, 0.01) << k;
    }
}

// Incidents show in the drive as in a car: braking sheds speed and acceleration adds it, a sharp
// corner turns the course at a steady speed, a knock stands out of gravity, a shove moves a
// parked car's sensor but not the car. The demo's first normal recording brakes hard halfway.
TEST(DriveModel, IncidentsShowInTheDriveAsTheyWouldInACar) {
    const std::vector<PlannedClip> card =
        Card({"--incidents", "--length", "30", "--count", "normal=2,motion=1", "--categories",
              "normal,motion"});
    std::string kinds;
    for (const PlannedClip& planned : card) {
        const auto at = [&](double s) { return planned.drive[static_cast<std::size_t>(s * 10)]; };
        for (const Manoeuvre& m : planned.clip.manoeuvres) {
            SCOPED_TRACE(std::string(LabelKind(m.kind)) + " at " + std::to_string(m.peakS));
            kinds += std::string(LabelKind(m.kind)) + ' ';
            const double gained = at(m.peakS + 3).speedKmh - at(m.peakS - 3).speedKmh;
            const double turned = std::abs(
                std::remainder(at(m.peakS + 2).courseDeg - at(m.peakS - 2).courseDeg, 360));
            const DriveSample peak = at(m.peakS);
            const double jolt = std::hypot(peak.accelX, peak.accelY, peak.accelZ - 1.0);
            switch (m.kind) {
                case ManoeuvreKind::Braking:
                    EXPECT_LT(gained, -10.0);
                    EXPECT_NEAR(peak.accelY, -m.peakG, 0.15);
                    break;
                case ManoeuvreKind::Acceleration:
                    EXPECT_GT(gained, 10.0);
                    EXPECT_NEAR(peak.accelY, m.peakG, 0.15);
                    break;
                case ManoeuvreKind::Cornering:
                    EXPECT_GT(turned, 15.0);
                    EXPECT_LT(std::abs(peak.accelY), 0.2);  // at a steady speed
                    EXPECT_GE(std::abs(peak.accelX), m.peakG - 0.05);
                    break;
                case ManoeuvreKind::Impact:
                    EXPECT_NEAR(jolt, m.peakG, 0.2);
                    break;
                case ManoeuvreKind::Shove:
                    EXPECT_EQ(peak.speedKmh, 0.0);
                    EXPECT_NEAR(std::hypot(peak.accelX, peak.accelY), m.peakG, 0.15);
                    break;
            }
        }
    }
    EXPECT_EQ(kinds, "braking cornering acceleration impact motion impact ");

    const ParseResult demo = ParseCardOptions({"card", "--demo", "--length", "20"});
    std::vector<std::string> labels;
    for (const IncidentLabel& label : IncidentLabels(PlanCard(demo.options), 20)) {
        labels.push_back(label.relativePath.toStdString() + ' ' + std::to_string(label.peakMs) +
                         ' ' + label.kind);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"NORMAL/NOR_250517_143000_F.mp4 10000 braking",
                                                "EVENT/EVT_250517_143100_F.mp4 10000 impact",
                                                "EVENT/EVT_250517_143120_F.mp4 10000 impact",
                                                "EVENT_N/EVN_250517_143140_F.mp4 10000 impact"}));
}

TEST(DriveModel, SampleAtInterpolatesAndClamps) {
    std::vector<DriveSample> samples(3);
    samples[1].distanceM = 10.0;
    samples[2].distanceM = 30.0;
    EXPECT_DOUBLE_EQ(SampleAt(samples, 0.05).distanceM, 5.0);
    EXPECT_DOUBLE_EQ(SampleAt(samples, 0.15).distanceM, 20.0);
    EXPECT_DOUBLE_EQ(SampleAt(samples, 9.0).distanceM, 30.0);
    EXPECT_DOUBLE_EQ(SampleAt(samples, -1.0).distanceM, 0.0);
}

}  // namespace
