#pragma once
// Command-line options of make-sample-card and their parser; plain values, any thread.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>

namespace samplecard {

enum class AudioKind { Aac, Pcm, None };
enum class Container { Mp4, Mkv, Avi };
enum class VideoCodec { H264, Hevc };

inline constexpr int kCategoryCount = 5;

// One recording category of the camera's card, in the order of its category codes.
struct CategoryInfo {
    const char* id;      // the profile's dir id
    const char* folder;  // folder in the card root
    const char* prefix;  // first four characters of a recording's name
    bool braking;        // its recordings hold a hard-braking event
    bool parked;         // recorded while the car stands
};

const std::array<CategoryInfo, kCategoryCount>& Categories();

struct FrameSize {
    int width = 0;
    int height = 0;
};

struct CardOptions {
    QString cardDir;
    std::array<int, kCategoryCount> counts{1, 1, 1, 1, 1};
    std::array<bool, kCategoryCount> enabled{true, true, true, true, true};
    int lengthSeconds = 3;
    FrameSize frontSize{320, 180};
    FrameSize rearSize{160, 90};
    int fps = 15;
    int cameras = 2;
    AudioKind audio = AudioKind::Aac;
    Container container = Container::Mp4;
    bool telemetry = true;
    QDateTime start;  // camera's local time, held as a zone-less (UTC-desc) value
    bool frameCode = false;
    double toneHz = 0.0;  // > 0: a pure sine instead of the engine sound
    QString label = QStringLiteral("QOR-SD");
    bool demo = false;
    QString preset;  // empty: the writer's default
    VideoCodec codec = VideoCodec::H264;
    double cutPercent = 0.0;  // > 0: the newest normal recording is cut as by a power loss
    bool incidents = false;   // harsh manoeuvres and knocks in every recording, labelled
    bool roughRoad = false;   // bumps and shaking; calm manoeuvres where no incident is planned
};

enum class ParseStatus { Run, Help, Error };

struct ParseResult {
    ParseStatus status = ParseStatus::Error;
    CardOptions options;
    QString error;  // one line, set when status is Error
};

// Parses the arguments after the program name. --demo applies first, wherever it stands, so
// later options refine it.
ParseResult ParseCardOptions(const QStringList& arguments);

QString HelpText();

QString ContainerExtension(Container container);

}  // namespace samplecard
