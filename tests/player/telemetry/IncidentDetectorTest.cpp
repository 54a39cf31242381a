// Detection on the telemetry make-sample-card writes (read back as the player reads it), with
// the camera mounted every way round, and on small hand-made series for the edges.
#include "player/telemetry/IncidentDetector.h"
#include "player/telemetry/IncidentSettings.h"

#include "platform/system/SettingsStore.h"
#include "tools/make-sample-card/DriveModel.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <sstream>

namespace {

using namespace player;

struct Recording {
    QString path;
    MotionSeries series;
};

// A card's recordings as the player's telemetry store holds them, and the card's labels.
std::vector<Recording> ReadCard(const samplecard::CardOptions& options,
                                std::vector<samplecard::IncidentLabel>* labels) {
    std::vector<Recording> recordings;
    for (const samplecard::PlannedClip& planned : samplecard::SimulateCard(options)) {
        CTextData store;
        for (const samplecard::TelemetrySample& sample :
             samplecard::BuildTelemetry(planned.clip, planned.drive, options.lengthSeconds)) {
            std::istringstream lines(sample.text);
            for (std::string line; std::getline(lines, line);) {
                store.AddLine(line.c_str(), sample.startMs);
            }
        }
        recordings.push_back({planned.clip.relativePath, MotionSeriesOf(store)});
    }
    *labels = samplecard::IncidentLabels(samplecard::PlanCard(options), options.lengthSeconds);
    return recordings;
}

samplecard::CardOptions Options(const QStringList& arguments) {
    const samplecard::ParseResult parsed =
        samplecard::ParseCardOptions(QStringList{QStringLiteral("card")} + arguments);
    EXPECT_EQ(parsed.status, samplecard::ParseStatus::Run) << parsed.error.toStdString();
    return parsed.options;
}

// Every mounting: the sensor's axes in any order, each either way round.
struct Mounting {
    std::array<int, 3> axis;
    std::array<double, 3> sign;
};

std::vector<Mounting> Mountings() {
    std::vector<Mounting> all;
    std::array<int, 3> axis{0, 1, 2};
    do {
        for (int flips = 0; flips < 8; ++flips) {
            all.push_back(
                {axis, {flips & 1 ? -1.0 : 1.0, flips & 2 ? -1.0 : 1.0, flips & 4 ? -1.0 : 1.0}});
        }
    } while (std::next_permutation(axis.begin(), axis.end()));
    return all;
}

MotionSeries Mounted(const MotionSeries& series, const Mounting& m) {
    MotionSeries out = series;
    for (AccelReading& r : out.readings) {
        const std::array<double, 3> car{r.x, r.y, r.z};
        r.x = m.sign[0] * car[static_cast<size_t>(m.axis[0])];
        r.y = m.sign[1] * car[static_cast<size_t>(m.axis[1])];
        r.z = m.sign[2] * car[static_cast<size_t>(m.axis[2])];
    }
    return out;
}

// Every labelled incident within 0.5 s of its peak and of its kind, and nothing else: on a card
// full of them on a rough road, and on the demo card (calm driving, one hard braking, the event
// recordings' stops).
TEST(IncidentDetector, FindsEveryLabelledIncidentInEveryMounting) {
    std::vector<samplecard::IncidentLabel> labels;
    std::vector<Recording> card =
        ReadCard(Options({"--incidents", "--length", "60", "--count",
                          "normal=3,event=1,event_n=0,manual=1,motion=2"}),
                 &labels);
    std::map<std::string, int> kinds;
    for (const auto& label : labels) {
        ++kinds[label.kind];
    }
    ASSERT_EQ(kinds.size(), 5u);  // every kind, several times
    for (const auto& [kind, count] : kinds) {
        EXPECT_GE(count, 3) << kind;
    }
    std::vector<samplecard::IncidentLabel> demoLabels;
    for (Recording& recording :
         ReadCard(Options({"--demo", "--start", "2025-06-01 09:00:00"}), &demoLabels)) {
        card.push_back(std::move(recording));
    }
    labels.insert(labels.end(), demoLabels.begin(), demoLabels.end());
    for (const Mounting& mounting : Mountings()) {
        SCOPED_TRACE(testing::Message()
                     << "axes " << mounting.axis[0] << mounting.axis[1] << mounting.axis[2]
                     << " signs " << mounting.sign[0] << mounting.sign[1] << mounting.sign[2]);
        for (const Recording& recording : card) {
            std::vector<Incident> found = DetectIncidents(Mounted(recording.series, mounting));
            for (const auto& label : labels) {
                if (label.relativePath != recording.path) {
                    continue;
                }
                const auto match = std::find_if(found.begin(), found.end(), [&](const Incident& i) {
                    return std::abs(i.peakMs - label.peakMs) <= 500 &&
                           IncidentKindName(i.kind) == std::string(label.kind);
                });
                ASSERT_NE(match, found.end())
                    << recording.path.toStdString() << ' ' << label.kind << " at " << label.peakMs;
                EXPECT_NEAR(match->peakG, label.peakG, 0.25 * label.peakG) << label.peakMs;
                found.erase(match);
            }
            for (const Incident& extra : found) {
                ADD_FAILURE() << recording.path.toStdString() << ": false "
                              << IncidentKindName(extra.kind) << " at " << extra.peakMs;
            }
        }
    }
}

// An hour of calm driving on a rough road: bumps, shaking, firm but ordinary braking and
// corners up to a quarter g. At most one false incident an hour, in any mounting; at a little
// over half the thresholds the same drive is full of them, so the margin is real.
TEST(IncidentDetector, CalmDrivingGivesAtMostOneFalseIncidentAnHour) {
    samplecard::CardOptions options =
        Options({"--length", "60", "--count", "normal=60", "--categories", "normal"});
    options.roughRoad = true;
    std::vector<samplecard::IncidentLabel> labels;
    const std::vector<Recording> drive = ReadCard(options, &labels);
    ASSERT_TRUE(labels.empty());
    for (const Mounting& mounting : Mountings()) {
        int falseIncidents = 0;
        for (const Recording& recording : drive) {
            falseIncidents +=
                static_cast<int>(DetectIncidents(Mounted(recording.series, mounting)).size());
        }
        EXPECT_LE(falseIncidents, 1)
            << "in 60 minutes, axes " << mounting.axis[0] << mounting.axis[1] << mounting.axis[2];
    }
    IncidentThresholds sensitive;
    sensitive.brakingG = sensitive.accelerationG = 0.22;
    sensitive.corneringG = 0.26;
    sensitive.impactG = 0.8;
    size_t sensitiveFinds = 0;
    for (const Recording& recording : drive) {
        sensitiveFinds += DetectIncidents(recording.series, sensitive).size();
    }
    EXPECT_GE(sensitiveFinds, 60u);
}

// Hand-made series at 10 Hz: gravity on z (or none), the car standing or cruising, and jolts:
// a knock at a reading, a push held over readings.
using Jolts = std::vector<std::pair<int, AccelReading>>;

MotionSeries Series(const Jolts& jolts, bool withSpeeds, double gravityG = 1.0) {
    MotionSeries s;
    for (int t = 0; t < 30000; t += 100) {
        s.readings.push_back({t, 0.0, 0.0, gravityG});
        s.speeds.push_back({t, 40.0});
    }
    for (const auto& [timeMs, jolt] : jolts) {
        AccelReading& r = s.readings[static_cast<size_t>(timeMs / 100)];
        r = {r.timeMs, r.x + jolt.x, r.y + jolt.y, r.z + jolt.z};
    }
    std::erase_if(s.speeds, [&](const SpeedFix& f) { return !withSpeeds || f.timeMs % 1000 != 0; });
    return s;
}

Jolts Push(int fromMs, int toMs, double g, Jolts more = {}) {
    for (int t = fromMs; t <= toMs; t += 100) {
        more.push_back({t, {0, g, 0.0, 0.0}});
    }
    return more;
}

TEST(IncidentDetector, MergesCloseDetectionsAndJudgesOnlyWhatTheReadingsTell) {
    struct Case {
        const char* what;
        MotionSeries series;
        std::vector<std::pair<int, IncidentKind>> expected;
        double firstPeakG;
    };
    const AccelReading up{0, 0.0, 0.0, 1.8};
    const AccelReading ahead{0, 2.2, 0.0, 0.0};
    const Case cases[] = {
        {"no readings", MotionSeries{}, {}, 0},
        {"without gravity only knocks count",
         Series(Push(5000, 5300, 0.9, {{10000, ahead}}), false, 0.0),
         {{10000, IncidentKind::Impact}},
         2.2},
        {"knocks 2.9 s apart are one, the higher",
         Series({{10000, up}, {12900, ahead}}, false),
         {{12900, IncidentKind::Impact}},
         2.2},
        {"knocks 3.1 s apart are two",
         Series({{10000, up}, {13100, ahead}}, false),
         {{10000, IncidentKind::Impact}, {13100, IncidentKind::Impact}},
         1.8},
        {"a push at a speed that never changes is motion",
         Series(Push(15000, 15400, 0.6), true),
         {{15200, IncidentKind::Motion}},
         0.6},
        {"a push held 0.2 s is none", Series(Push(15000, 15100, 0.6), false), {}, 0},
    };
    for (const Case& c : cases) {
        const std::vector<Incident> found = DetectIncidents(c.series);
        ASSERT_EQ(found.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_NEAR(found[i].peakMs, c.expected[i].first, 100) << c.what;
            EXPECT_EQ(found[i].kind, c.expected[i].second) << c.what;
        }
        if (!found.empty()) {
            EXPECT_NEAR(found[0].peakG, c.firstPeakG, 0.1) << c.what;
            // Fixes once a second give the speeds on both sides, where there are fixes.
            EXPECT_EQ(found[0].speedBeforeKmh.has_value(), !c.series.speeds.empty()) << c.what;
            EXPECT_EQ(found[0].speedAfterKmh.value_or(40.0), 40.0) << c.what;
        }
    }
}

TEST(IncidentSettings, StoredThresholdsReplaceTheDefaultsWithinRange) {
    QTemporaryDir registry;
    ASSERT_TRUE(registry.isValid());
    qputenv("ROADPLAYER_REGISTRY_DIR", registry.path().toUtf8());
    const IncidentThresholds defaults = ReadIncidentThresholds();
    EXPECT_EQ(defaults.brakingG, 0.40);
    EXPECT_EQ(defaults.corneringHoldMs, 500);
    EXPECT_EQ(defaults.impactG, 1.5);
    EXPECT_EQ(defaults.mergeMs, 3000);
    const auto write = [](const char* name, uint32_t value) {
        ASSERT_TRUE(platform::WriteRegistryDword(platform::RegistryScope::User,
                                                 QLatin1String(kIncidentSettingsKey),
                                                 QLatin1String(name), value));
    };
    write("BrakingMilliG", 550);
    write("CorneringHoldMs", 800);
    write("ImpactMilliG", 20);  // below the range: ignored
    write("MergeMs", 90000);    // above it: ignored
    const IncidentThresholds stored = ReadIncidentThresholds();
    EXPECT_DOUBLE_EQ(stored.brakingG, 0.55);
    EXPECT_EQ(stored.corneringHoldMs, 800);
    EXPECT_EQ(stored.impactG, 1.5);
    EXPECT_EQ(stored.mergeMs, 3000);
    EXPECT_EQ(stored.accelerationG, 0.40);
    qunsetenv("ROADPLAYER_REGISTRY_DIR");
}

}  // namespace
