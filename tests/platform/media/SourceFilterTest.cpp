// The source filter: pins per stream, audio kind, telemetry lines, bad input.

#include "MediaTestSupport.h"
#include "platform/media/RecoverySource.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cstring>

#include <sys/stat.h>

using namespace mediatest;

namespace {

ComPtr<IBaseFilter> LoadedSource(const QString& path, HRESULT* result) {
    auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    auto file = QueryInterface<IFileSourceFilter>(source);
    *result = file ? file->Load(path, nullptr) : E_NOINTERFACE;
    return source;
}

struct TextLine {
    int timeMs;
    std::string text;
    bool operator==(const TextLine&) const = default;
};

std::vector<TextLine> ReadAllLines(IBaseFilter* source, HRESULT* last) {
    auto telemetry = QueryInterface<ITelemetrySource>(static_cast<IUnknown*>(source));
    std::vector<TextLine> lines;
    for (int guard = 0; guard < 100000; ++guard) {
        char buffer[1024] = {};
        int length = sizeof buffer;
        int timeMs = -1;
        *last = telemetry->ReadTextLine(buffer, &length, &timeMs);
        if (*last != S_OK) {
            break;
        }
        lines.push_back({timeMs, buffer});
    }
    return lines;
}

// The subtitle track as an independent reader (the ffmpeg program) sees it, as SubRip.
std::vector<TextLine> LinesByFfmpeg(const QString& path) {
    const QString srt = path + QStringLiteral(".srt");
    if (RunTool(QStringLiteral("ffmpeg"),
                {"-v", "error", "-y", "-i", path, "-map", "0:s:0", "-c:s", "srt", srt})
            .exitCode != 0) {
        return {};
    }
    QFile file(srt);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    std::vector<TextLine> lines;
    const QStringList blocks =
        QString::fromUtf8(file.readAll()).replace("\r", "").split("\n\n", Qt::SkipEmptyParts);
    for (const QString& block : blocks) {
        const QStringList rows = block.split('\n');
        if (rows.size() < 3) {
            continue;
        }
        const QString start = rows[1].section(" --> ", 0, 0);  // HH:MM:SS,mmm
        const int ms = start.mid(0, 2).toInt() * 3600000 + start.mid(3, 2).toInt() * 60000 +
                       start.mid(6, 2).toInt() * 1000 + start.mid(9, 3).toInt();
        for (int i = 2; i < rows.size(); ++i) {
            if (!rows[i].isEmpty()) {
                lines.push_back({ms, rows[i].toStdString()});
            }
        }
    }
    return lines;
}

struct PinCase {
    int cameras;
    const char* audio;
    const char* container;
    Guid audioSubtype;  // zero Guid: no audio pin
};

class SourcePins : public ::testing::TestWithParam<PinCase> {};

}  // namespace

TEST_P(SourcePins, ExposeTheStreamsAsWritten) {
    const PinCase c = GetParam();
    QTemporaryDir dir;
    ClipOptions options;
    options.cameras = c.cameras;
    options.audio = c.audio;
    options.container = c.container;
    options.lengthSeconds = 1;
    const QString clip = MakeClip(dir, options);
    ASSERT_FALSE(clip.isEmpty());

    HRESULT hr = E_FAIL;
    auto source = LoadedSource(clip, &hr);
    ASSERT_EQ(hr, S_OK);
    PinList pins;
    ASSERT_EQ(source->EnumPins(&pins), S_OK);
    std::vector<QString> names;
    for (const auto& pin : pins) {
        PIN_INFO info;
        pin->QueryPinInfo(&info);
        EXPECT_EQ(info.dir, PINDIR_OUTPUT);
        EXPECT_EQ(info.pFilter.Get(), source.Get());
        names.push_back(info.achName);
    }
    std::vector<QString> expected;
    for (int i = 1; i <= c.cameras; ++i) {
        expected.push_back(QStringLiteral("Video %1").arg(i));
    }
    if (c.audioSubtype != Guid{}) {
        expected.push_back(QStringLiteral("Audio"));
    }
    EXPECT_EQ(names, expected);

    if (c.audioSubtype != Guid{}) {
        std::vector<MediaType> types;
        ASSERT_EQ(PinByName(source.Get(), "Audio")->EnumMediaTypes(&types), S_OK);
        ASSERT_FALSE(types.empty());
        EXPECT_TRUE(types.front().majortype == MEDIATYPE_Audio);
        EXPECT_TRUE(types.front().subtype == c.audioSubtype);
    }
    std::vector<MediaType> video;
    PinByName(source.Get(), "Video 1")->EnumMediaTypes(&video);
    ASSERT_FALSE(video.empty());
    EXPECT_TRUE(video.front().majortype == MEDIATYPE_Video);
    EXPECT_TRUE(video.front().subtype == MEDIASUBTYPE_H264);
}

INSTANTIATE_TEST_SUITE_P(Recordings, SourcePins,
                         ::testing::Values(PinCase{2, "aac", "mp4", MEDIASUBTYPE_AAC},
                                           PinCase{1, "aac", "mp4", MEDIASUBTYPE_AAC},
                                           PinCase{2, "pcm", "mp4", MEDIASUBTYPE_PCM},
                                           PinCase{1, "pcm", "mkv", MEDIASUBTYPE_PCM},
                                           PinCase{2, "none", "mkv", Guid{}},
                                           PinCase{2, "aac", "avi", MEDIASUBTYPE_AAC},
                                           PinCase{1, "pcm", "avi", MEDIASUBTYPE_PCM}));

TEST(SourceFilter, ZeroAndThreeVideoStreamsGiveZeroAndThreePins) {
    QTemporaryDir dir;
    const QString clip = MakeClip(dir, ClipOptions{});
    ASSERT_FALSE(clip.isEmpty());
    // Streams of the clip: 0 front, 1 rear, 2 audio, 3 telemetry.
    const struct {
        std::vector<int> streams;
        int videoPins;
        int audioPins;
    } cases[] = {{{2, 3}, 0, 1}, {{0, 1, 0, 2, 3}, 3, 1}, {{1, 3}, 1, 0}};
    for (const auto& c : cases) {
        const QString remuxed = dir.filePath(QStringLiteral("remux%1.mp4").arg(c.streams.size()));
        ASSERT_TRUE(Remux(clip, remuxed, c.streams));
        HRESULT hr = E_FAIL;
        auto source = LoadedSource(remuxed, &hr);
        ASSERT_EQ(hr, S_OK) << remuxed.toStdString();
        EXPECT_EQ(CountPins(source.Get(), PINDIR_OUTPUT, "Video"), c.videoPins);
        EXPECT_EQ(CountPins(source.Get(), PINDIR_OUTPUT, "Audio"), c.audioPins);
        EXPECT_TRUE(PinByName(source.Get(), QStringLiteral("Video %1").arg(c.videoPins)) ||
                    c.videoPins == 0);
    }
}

TEST(SourceFilter, TelemetryLinesAreThoseWrittenInTimeOrder) {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) {
        GTEST_SKIP() << "the ffmpeg program, the independent reader of the track, is not installed";
    }
    for (const char* container : {"mp4", "mkv"}) {
        QTemporaryDir dir;
        ClipOptions options;
        options.container = container;
        options.lengthSeconds = 3;
        const QString clip = MakeClip(dir, options);
        ASSERT_FALSE(clip.isEmpty());
        HRESULT hr = E_FAIL;
        auto source = LoadedSource(clip, &hr);
        ASSERT_EQ(hr, S_OK);
        HRESULT last = S_OK;
        const std::vector<TextLine> lines = ReadAllLines(source.Get(), &last);
        EXPECT_EQ(last, ERROR_HANDLE_EOF);
        EXPECT_EQ(last, 38);
        std::vector<TextLine> expected = LinesByFfmpeg(clip);
        std::stable_sort(expected.begin(), expected.end(),
                         [](const TextLine& a, const TextLine& b) { return a.timeMs < b.timeMs; });
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(lines, expected) << container;
        // 1 Hz GPS and 10 Hz G-sensor lines over three seconds.
        const auto count = [&](char kind) {
            return std::count_if(lines.begin(), lines.end(), [&](const TextLine& l) {
                return !l.text.empty() && l.text[0] == kind;
            });
        };
        EXPECT_GE(count('G'), 3);
        EXPECT_GE(count('M'), 30);
        // The end stays the end.
        char buffer[1024] = {};
        int length = 1024;
        int timeMs = 0;
        auto telemetry = QueryInterface<ITelemetrySource>(source);
        EXPECT_EQ(telemetry->ReadTextLine(buffer, &length, &timeMs), ERROR_HANDLE_EOF);
    }
}

TEST(SourceFilter, ReadTextLineKeepsToTheBuffer) {
    QTemporaryDir dir;
    const QString clip = MakeClip(dir, ClipOptions{});
    ASSERT_FALSE(clip.isEmpty());
    HRESULT hr = E_FAIL;
    auto source = LoadedSource(clip, &hr);
    ASSERT_EQ(hr, S_OK);
    auto telemetry = QueryInterface<ITelemetrySource>(source);
    ASSERT_TRUE(telemetry);

    char small[8];
    std::memset(small, 'x', sizeof small);
    int length = sizeof small;
    int timeMs = -1;
    ASSERT_EQ(telemetry->ReadTextLine(small, &length, &timeMs), S_OK);
    EXPECT_EQ(length, 7);
    EXPECT_EQ(small[7], '\0');
    EXPECT_EQ(std::strlen(small), 7u);
    EXPECT_GE(timeMs, 0);

    int zero = 0;
    EXPECT_EQ(telemetry->ReadTextLine(small, &zero, &timeMs), E_INVALIDARG);
    EXPECT_EQ(telemetry->ReadTextLine(nullptr, &length, &timeMs), E_POINTER);
    EXPECT_EQ(telemetry->ReadTextLine(small, nullptr, &timeMs), E_POINTER);
    EXPECT_EQ(telemetry->ReadTextLine(small, &length, nullptr), E_POINTER);
}

TEST(SourceFilter, NoTelemetryMeansTheEndAtOnce) {
    QTemporaryDir dir;
    ClipOptions off;
    off.telemetry = false;
    const QString withoutTrack = MakeClip(dir, off);
    QTemporaryDir dir2;
    const QString withTrack = MakeClip(dir2, ClipOptions{});
    ASSERT_FALSE(withoutTrack.isEmpty());
    ASSERT_FALSE(withTrack.isEmpty());
    const struct {
        QString path;
        BYTE option;
    } cases[] = {{withoutTrack, 1}, {withTrack, 0}};
    for (const auto& c : cases) {
        auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
        auto telemetry = QueryInterface<ITelemetrySource>(source);
        ASSERT_EQ(telemetry->SetTextOption(c.option), S_OK);
        ASSERT_EQ(QueryInterface<IFileSourceFilter>(source)->Load(c.path, nullptr), S_OK);
        char buffer[1024] = {};
        int length = 1024;
        int timeMs = 0;
        EXPECT_EQ(telemetry->ReadTextLine(buffer, &length, &timeMs), ERROR_HANDLE_EOF);
        EXPECT_EQ(buffer[0], '\0');
    }
}

TEST(SourceFilter, RefusesWhatIsNoRecording) {
    QTemporaryDir dir;
    QFile random(dir.filePath("random.mp4"));
    ASSERT_TRUE(random.open(QIODevice::WriteOnly));
    QByteArray bytes(256 * 1024, '\0');
    QRandomGenerator generator(1234);
    for (char& byte : bytes) {
        byte = static_cast<char>(generator.bounded(256));
    }
    random.write(bytes);
    random.close();
    QFile empty(dir.filePath("empty.mp4"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile text(dir.filePath("notes.mp4"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("G,not a recording\n");
    text.close();

    // Media data without an index: its references are looked for.
    QFile cut(dir.filePath("cut.mp4"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(QByteArray("\0\0\0\x10"
                         "ftypisom\0\0\0\0"
                         "\0\0\0\0mdat",
                         24) +
              bytes.left(4096));
    cut.close();

    // A FIFO named like a recording never gets a writer: an open that waited would never
    // return, for the file itself and for a reference candidate alike.
    const QString fifo = dir.filePath("NOR_250517_143000_F.mp4");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, dir.filePath("to-fifo.mp4")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.filePath("to-zero.mp4")));

    for (const QString& path : {random.fileName(), empty.fileName(), text.fileName(),
                                dir.filePath("missing.mp4"), dir.path(), QString(), cut.fileName(),
                                fifo, dir.filePath("to-fifo.mp4"), dir.filePath("to-zero.mp4")}) {
        for (const bool recovering : {false, true}) {
            auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
            if (recovering) {
                QueryInterface<IRecoverySource>(source)->SetReferenceFinder([&](const QString&) {
                    return QStringList{fifo, dir.filePath("to-fifo.mp4")};
                });
            }
            const HRESULT hr = QueryInterface<IFileSourceFilter>(source)->Load(path, nullptr);
            EXPECT_TRUE(FAILED(hr)) << path.toStdString();
            EXPECT_EQ(CountPins(source.Get(), PINDIR_OUTPUT, ""), 0);
        }
    }
}

TEST(SourceFilter, SecondLoadIsRefused) {
    QTemporaryDir dir;
    const QString clip = MakeClip(dir, ClipOptions{});
    HRESULT hr = E_FAIL;
    auto source = LoadedSource(clip, &hr);
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(QueryInterface<IFileSourceFilter>(source)->Load(clip, nullptr), VFW_E_WRONG_STATE);
    QString current;
    EXPECT_EQ(QueryInterface<IFileSourceFilter>(source)->GetCurFile(&current, nullptr), S_OK);
    EXPECT_EQ(current, clip);
}
