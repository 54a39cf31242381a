#include "tools/make-sample-card/CardOptions.h"

#include <QRegularExpression>

#include <functional>
#include <map>

namespace samplecard {

namespace {

constexpr int kMaxDimension = 4096;
constexpr int kMaxLengthSeconds = 600;  // a recording's sound is held in memory while it is encoded
constexpr int kMaxCount = 1000;
constexpr int kMaxFps = 120;
constexpr double kMaxToneHz = 20000.0;
constexpr double kDemoCutPercent = 80.0;
constexpr int kMinFrameCodeWidth = 160;  // 20 cells of 8 pixels
const QString kDefaultStart = QStringLiteral("2025-05-17 14:30:00");
const QString kStartFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QDateTime ParseStart(const QString& text) {
    QDateTime value = QDateTime::fromString(text, kStartFormat);
    if (value.isValid()) {
        value.setTimeSpec(Qt::UTC);
    }
    return value;
}

bool ParseInt(const QString& text, int low, int high, int& out) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool ParseSize(const QString& text, FrameSize& out) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return false;
    }
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    // 4:2:0 video needs even sizes; the smallest leaves room for the burned-in text.
    if (width < 64 || height < 36 || width > kMaxDimension || height > kMaxDimension ||
        (width % 2) != 0 || (height % 2) != 0) {
        return false;
    }
    out = {width, height};
    return true;
}

int CategoryIndex(const QString& id) {
    for (int i = 0; i < kCategoryCount; ++i) {
        if (id == QLatin1String(Categories()[i].id)) {
            return i;
        }
    }
    return -1;
}

// "N" for every category, or "cat=N,cat=N" for some.
bool ParseCounts(const QString& text, CardOptions& options) {
    int all = 0;
    if (ParseInt(text, 0, kMaxCount, all)) {
        options.counts.fill(all);
        return true;
    }
    for (const QString& item : text.split(QLatin1Char(','))) {
        const int eq = item.indexOf(QLatin1Char('='));
        const int index = eq > 0 ? CategoryIndex(item.left(eq)) : -1;
        int count = 0;
        if (index < 0 || !ParseInt(item.mid(eq + 1), 0, kMaxCount, count)) {
            return false;
        }
        options.counts[static_cast<std::size_t>(index)] = count;
    }
    return true;
}

bool ParseCategories(const QString& text, CardOptions& options) {
    std::array<bool, kCategoryCount> enabled{};
    for (const QString& id : text.split(QLatin1Char(','))) {
        const int index = CategoryIndex(id.trimmed());
        if (index < 0) {
            return false;
        }
        enabled[static_cast<std::size_t>(index)] = true;
    }
    options.enabled = enabled;
    return true;
}

bool ParseOnOff(const QString& text, bool& out) {
    if (text == QLatin1String("on") || text == QLatin1String("off")) {
        out = text == QLatin1String("on");
        return true;
    }
    return false;
}

void ApplyDemo(CardOptions& options) {
    options.demo = true;
    options.counts = {3, 2, 1, 1, 1};
    options.lengthSeconds = 60;
    options.frontSize = {1280, 720};
    options.rearSize = {640, 360};
    options.fps = 30;
    options.cameras = 2;
    options.audio = AudioKind::Aac;
    options.container = Container::Mp4;
    options.telemetry = true;
    options.cutPercent = kDemoCutPercent;
}

using ValueHandler = std::function<bool(const QString&, CardOptions&)>;

const std::map<QString, ValueHandler>& ValueOptions() {
    static const std::map<QString, ValueHandler> handlers = {
        {QStringLiteral("--count"), ParseCounts},
        {QStringLiteral("--length"),
         [](const QString& v, CardOptions& o) {
             return ParseInt(v, 1, kMaxLengthSeconds, o.lengthSeconds);
         }},
        {QStringLiteral("--size"),
         [](const QString& v, CardOptions& o) { return ParseSize(v, o.frontSize); }},
        {QStringLiteral("--rear-size"),
         [](const QString& v, CardOptions& o) { return ParseSize(v, o.rearSize); }},
        {QStringLiteral("--fps"),
         [](const QString& v, CardOptions& o) { return ParseInt(v, 1, kMaxFps, o.fps); }},
        {QStringLiteral("--cameras"),
         [](const QString& v, CardOptions& o) { return ParseInt(v, 1, 2, o.cameras); }},
        {QStringLiteral("--audio"),
         [](const QString& v, CardOptions& o) {
             static const std::map<QString, AudioKind> kinds = {
                 {QStringLiteral("aac"), AudioKind::Aac},
                 {QStringLiteral("pcm"), AudioKind::Pcm},
                 {QStringLiteral("none"), AudioKind::None}};
             const auto it = kinds.find(v);
             return it != kinds.end() && (o.audio = it->second, true);
         }},
        {QStringLiteral("--container"),
         [](const QString& v, CardOptions& o) {
             static const std::map<QString, Container> kinds = {
                 {QStringLiteral("mp4"), Container::Mp4},
                 {QStringLiteral("mkv"), Container::Mkv},
                 {QStringLiteral("avi"), Container::Avi}};
             const auto it = kinds.find(v);
             return it != kinds.end() && (o.container = it->second, true);
         }},
        {QStringLiteral("--telemetry"),
         [](const QString& v, CardOptions& o) { return ParseOnOff(v, o.telemetry); }},
        {QStringLiteral("--start"),
         [](const QString& v, CardOptions& o) {
             o.start = ParseStart(v);
             // Names carry two-digit years; keep them unambiguous.
             return o.start.isValid() && o.start.date().year() >= 2000 &&
                    o.start.date().year() <= 2099;
         }},
        {QStringLiteral("--tone"),
         [](const QString& v, CardOptions& o) {
             bool ok = false;
             o.toneHz = v.toDouble(&ok);
             return ok && o.toneHz >= 1.0 && o.toneHz <= kMaxToneHz;
         }},
        {QStringLiteral("--categories"), ParseCategories},
        {QStringLiteral("--codec"),
         [](const QString& v, CardOptions& o) {
             static const std::map<QString, VideoCodec> kinds = {
                 {QStringLiteral("h264"), VideoCodec::H264},
                 {QStringLiteral("hevc"), VideoCodec::Hevc}};
             const auto it = kinds.find(v);
             return it != kinds.end() && (o.codec = it->second, true);
         }},
        {QStringLiteral("--cut"),
         [](const QString& v, CardOptions& o) {
             bool ok = false;
             o.cutPercent = v.toDouble(&ok);
             return ok && o.cutPercent >= 0.0 && o.cutPercent < 100.0;
         }},
        {QStringLiteral("--label"),
         [](const QString& v, CardOptions& o) {
             o.label = v;
             return !v.contains(QLatin1Char('\n'));
         }},
        {QStringLiteral("--preset"),
         [](const QString& v, CardOptions& o) {
             static const QStringList presets{
                 QStringLiteral("ultrafast"), QStringLiteral("superfast"),
                 QStringLiteral("veryfast"),  QStringLiteral("faster"),
                 QStringLiteral("fast"),      QStringLiteral("medium"),
                 QStringLiteral("slow"),      QStringLiteral("slower"),
                 QStringLiteral("veryslow")};
             o.preset = v;
             return presets.contains(v);
         }},
    };
    return handlers;
}

// What single values cannot tell; empty when the options fit together.
QString CheckCombination(const CardOptions& o) {
    if (o.cardDir.isEmpty()) {
        return QStringLiteral("no card folder given");
    }
    const int narrowest =
        o.cameras == 2 ? std::min(o.frontSize.width, o.rearSize.width) : o.frontSize.width;
    if (o.frameCode && narrowest < kMinFrameCodeWidth) {
        return QStringLiteral("--frame-code needs every picture at least %1 pixels wide")
            .arg(kMinFrameCodeWidth);
    }
    // Names carry two-digit years: the last recording must end within 2099.
    int64_t recordings = 0;
    for (int c = 0; c < kCategoryCount; ++c) {
        if (o.enabled[static_cast<std::size_t>(c)]) {
            recordings += o.counts[static_cast<std::size_t>(c)];
        }
    }
    const QDateTime end = o.start.addSecs(recordings * o.lengthSeconds);
    if (end > QDateTime(QDate(2100, 1, 1), QTime(0, 0), Qt::UTC)) {
        return QStringLiteral("the recordings from --start would run past the end of 2099");
    }
    return {};
}

}  // namespace

const std::array<CategoryInfo, kCategoryCount>& Categories() {
    static const std::array<CategoryInfo, kCategoryCount> table = {{
        {"normal", "NORMAL", "NOR_", false, false},
        {"event", "EVENT", "EVT_", true, false},
        {"event_n", "EVENT_N", "EVN_", true, false},
        {"manual", "MANUAL", "MAN_", false, false},
        {"motion", "MOTION", "MOT_", false, true},
    }};
    return table;
}

QString ContainerExtension(Container container) {
    switch (container) {
        case Container::Mkv:
            return QStringLiteral("mkv");
        case Container::Avi:
            return QStringLiteral("avi");
        case Container::Mp4:
            break;
    }
    return QStringLiteral("mp4");
}

QString HelpText() {
    return QStringLiteral(
        "Usage: make-sample-card DIR [options]\n"
        "Writes a dash-camera card into DIR: category folders with recordings, "
        "SETTING/BK_Setting.cfg\n"
        "and .volume_label. Each recording holds the front camera (video stream 1), the rear "
        "camera\n"
        "(video stream 2), audio and the telemetry track ('G' lines at 1 Hz, 'M' lines at 10 Hz).\n"
        "\n"
        "Options:\n"
        "  --count N | CAT=N[,CAT=N]  recordings per category (default 1); CAT is one of\n"
        "                             normal, event, event_n, manual, motion\n"
        "  --length SECONDS           length of each recording, 1 to 600 (default 3)\n"
        "  --size WxH                 front picture size, even numbers (default 320x180)\n"
        "  --rear-size WxH            rear picture size (default 160x90)\n"
        "  --fps N                    frames per second (default 15)\n"
        "  --cameras 1|2              video streams per recording (default 2)\n"
        "  --audio aac|pcm|none       audio track (default aac; 48 kHz mono)\n"
        "  --container mp4|mkv|avi    file format (default mp4). mp4 with pcm audio is written in\n"
        "                             the QuickTime flavour (same extension). Telemetry is a\n"
        "                             mov_text track in mp4 and a SubRip track in mkv; avi has no\n"
        "                             usable text track, so avi recordings carry no telemetry\n"
        "  --telemetry on|off         write the telemetry track (default on)\n"
        "  --start \"YYYY-MM-DD HH:MM:SS\"  camera time of the first recording\n"
        "                             (default 2025-05-17 14:30:00; 'G' lines carry it as UTC, 9 h "
        "earlier)\n"
        "  --frame-code               draw the frame number as a block strip along the bottom\n"
        "                             (needs pictures at least 160 pixels wide)\n"
        "  --tone HZ                  audio is a pure sine of HZ instead of the engine sound\n"
        "  --categories LIST          comma-separated categories to write (default all)\n"
        "  --label TEXT               volume label written to .volume_label (default QOR-SD)\n"
        "  --preset NAME              H.264 encoder preset (default ultrafast)\n"
        "  --codec h264|hevc          video codec (default h264)\n"
        "  --cut PERCENT              the newest normal recording (or the newest of all) is left\n"
        "                             as a power loss leaves it: no index, only PERCENT % of its\n"
        "                             bytes (0 < PERCENT < 100; 0, the default: none is cut)\n"
        "  --incidents                every recording holds incidents on a rough road: harsh\n"
        "                             braking, acceleration, cornering and impacts while driving,\n"
        "                             shoves and knocks while parked, about every 12 s; the hard\n"
        "                             stops of event recordings are impacts. Each is printed as\n"
        "                             incident<TAB>PATH<TAB>PEAK_MS<TAB>KIND<TAB>PEAK_G\n"
        "  --demo                     the demo card: 1280x720 front, 640x360 rear, 30 fps, AAC,\n"
        "                             60 s recordings: 3 normal, 2 event, 1 event_n, 1 manual,\n"
        "                             1 motion, the newest normal one cut at 80 %, the first\n"
        "                             normal one braking hard halfway (printed as --incidents\n"
        "                             prints); other options refine it\n"
        "  --help                     show this text\n"
        "\n"
        "Recordings of all categories follow each other as one drive: names lie one recording\n"
        "length apart and the route continues. Files appear under their final names only when\n"
        "complete; other files already in DIR are kept. Exit status: 0 done, 1 write failure,\n"
        "2 bad options.\n");
}

ParseResult ParseCardOptions(const QStringList& arguments) {
    ParseResult result;
    result.options.start = ParseStart(kDefaultStart);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        result.status = ParseStatus::Help;
        return result;
    }
    if (arguments.contains(QStringLiteral("--demo"))) {
        ApplyDemo(result.options);
    }
    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        if (name == QLatin1String("--demo")) {
            continue;
        }
        if (name == QLatin1String("--frame-code")) {
            result.options.frameCode = true;
            continue;
        }
        if (name == QLatin1String("--incidents")) {
            result.options.incidents = true;
            result.options.roughRoad = true;
            continue;
        }
        if (name.startsWith(QLatin1Char('-')) && !name.startsWith(QLatin1String("--"))) {
            result.error = QStringLiteral("unknown option '%1'").arg(name);
            return result;
        }
        if (!name.startsWith(QLatin1String("--"))) {
            if (!result.options.cardDir.isEmpty()) {
                result.error = QStringLiteral("more than one card folder given: '%1'").arg(name);
                return result;
            }
            result.options.cardDir = name;
            continue;
        }
        QString value;
        bool hasValue = false;
        if (const int eq = name.indexOf(QLatin1Char('=')); eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasValue = true;
        }
        const auto handler = ValueOptions().find(name);
        if (handler == ValueOptions().end()) {
            result.error = QStringLiteral("unknown option '%1'").arg(name);
            return result;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                result.error = QStringLiteral("option '%1' needs a value").arg(name);
                return result;
            }
            value = arguments[++i];
        }
        if (!handler->second(value, result.options)) {
            result.error = QStringLiteral("bad value '%1' for option '%2'").arg(value, name);
            return result;
        }
    }
    result.error = CheckCombination(result.options);
    result.status = result.error.isEmpty() ? ParseStatus::Run : ParseStatus::Error;
    return result;
}

}  // namespace samplecard
