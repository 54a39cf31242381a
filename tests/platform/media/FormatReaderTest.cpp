// Reading recordings and their telemetry lines: what reaches the engine from outside data.

#include "platform/media/FormatReader.h"

#include "platform/system/FilePaths.h"
#include "tests/support/Clips.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform::media;

namespace {

TEST(FormatReader, TelemetrySamplesSplitIntoLinesPerCodec) {
    const struct {
        const char* name;
        AVCodecID codec;
        QByteArray data;
        std::vector<std::string> lines;
    } cases[] = {
        {"mov_text: length prefix, trailing style box cut",
         AV_CODEC_ID_MOV_TEXT,
         QByteArray("\x00\x08G,1\r\nM,2styl", 14),
         {"G,1", "M,2"}},
        {"mov_text: length beyond the packet",
         AV_CODEC_ID_MOV_TEXT,
         QByteArray("\x00\x50G,1", 5),
         {"G,1"}},
        {"mov_text: too short for a length", AV_CODEC_ID_MOV_TEXT, QByteArray("\x00", 1), {}},
        {"ASS: the text field, \\N breaks",
         AV_CODEC_ID_ASS,
         QByteArray("0,0,Default,,0,0,0,,G,1\\NM,2,3"),
         {"G,1", "M,2,3"}},
        {"ASS: too few fields", AV_CODEC_ID_ASS, QByteArray("0,0,Default"), {}},
        {"SubRip: plain lines, blanks and NULs dropped",
         AV_CODEC_ID_SUBRIP,
         QByteArray("G,1\n\nM,2\0", 9),
         {"G,1", "M,2"}},
        {"empty packet", AV_CODEC_ID_SUBRIP, QByteArray(), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            SplitTelemetrySample(c.codec, reinterpret_cast<const uint8_t*>(c.data.constData()),
                                 static_cast<int>(c.data.size())),
            c.lines);
    }
}

TEST(FormatReader, OnlyReadableRecordingsOpen) {
    QTemporaryDir dir;
    const QString clip = testsupport::MakeClip(dir.path(), {"--length", "1", "--cameras", "1"});
    ASSERT_FALSE(clip.isEmpty());
    QFile original(clip);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    auto write = [&](const char* name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    };
    // A name that is no UTF-8 is the file system's bytes all the same.
    const QString odd =
        platform::DecodePath(QFile::encodeName(dir.path()) + "/NOR_\xff\xfe_\xe9.mp4");
    const int oddFd = ::open(platform::EncodePath(odd).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(oddFd, 0);
    ASSERT_EQ(::write(oddFd, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
    ::close(oddFd);
    const QString fifo = dir.filePath("fifo.mp4");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString path;
        HRESULT error;
    } cases[] = {
        {clip, S_OK},
        {odd, S_OK},
        {fifo, VFW_E_NOT_FOUND},  // refused at once, never waited on
        {dir.filePath("absent.mp4"), VFW_E_NOT_FOUND},
        {dir.path(), VFW_E_NOT_FOUND},  // a folder is no recording
        {write("cut.mp4", bytes.left(2000)), VFW_E_UNKNOWN_FILE_TYPE},
        {write("noise.mp4", QByteArray(4096, '\x5a')), VFW_E_UNKNOWN_FILE_TYPE},
        {write("empty.mp4", {}), VFW_E_UNKNOWN_FILE_TYPE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        HRESULT error = E_FAIL;
        const FormatContextPtr context = OpenRecording(c.path, nullptr, &error);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(context != nullptr, c.error == S_OK);
    }
    ::unlink(platform::EncodePath(odd).constData());  // the toolkit's removal cannot name it
}

}  // namespace
