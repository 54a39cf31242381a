// The load loop against the engine's real source filter and recordings from make-sample-card.
#include "player/telemetry/TextData.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/media/GraphInterfaces.h"
#include "tests/support/Clips.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace player;

using namespace platform::media;

ComPtr<IBaseFilter> LoadedSource(const QString& path) {
    auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    const auto file = QueryInterface<IFileSourceFilter>(source);
    if (!file || FAILED(file->Load(path, nullptr))) {
        return {};
    }
    return source;
}

TEST(TextDataSource, ReadsEveryLineTheRecordingCarries) {
    QTemporaryDir dir;
    struct Case {
        QStringList options;
        size_t gps;
        size_t gsensor;
    };
    const Case cases[] = {
        {{"--length", "3"}, 3, 30},
        {{"--length", "2", "--container", "mkv", "--cameras", "1"}, 2, 20},
        {{"--length", "2", "--telemetry", "off"}, 0, 0},
    };
    for (const Case& c : cases) {
        const QString clip = testsupport::MakeClip(dir.path(), c.options);
        ASSERT_FALSE(clip.isEmpty());
        const auto source = LoadedSource(clip);
        ASSERT_TRUE(source);
        CTextData store;
        store.AddLine("M,X+1.00", 1);  // the previous recording's samples go
        EXPECT_EQ(store.LoadFromSource(source.Get()), static_cast<int>(c.gps + c.gsensor));
        ASSERT_EQ(store.GPSList().size(), c.gps);
        ASSERT_EQ(store.GSensorList().size(), c.gsensor);
        int32_t expectedTime = 0;
        for (const CGPSData& fix : store.GPSList()) {
            EXPECT_EQ(fix.time, expectedTime);
            EXPECT_EQ(fix.valid, 1);
            EXPECT_GT(fix.latitude, 0);
            expectedTime += 1000;
        }
        expectedTime = 0;
        for (const CGSensorData& reading : store.GSensorList()) {
            EXPECT_EQ(reading.time, expectedTime);
            EXPECT_NEAR(reading.z, 64, 12);  // about 1 g downwards at rest
            expectedTime += 100;
        }
    }
}

TEST(TextDataSource, FilterWithoutTelemetryInterfaceEndsTheLoad) {
    const auto decoder = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
    ASSERT_TRUE(decoder);
    CTextData store;
    store.AddLine("M,X+1.00", 1);
    EXPECT_EQ(store.LoadFromSource(decoder.Get()), 0);
    EXPECT_TRUE(store.GSensorList().empty());
    EXPECT_EQ(store.LoadFromSource(nullptr), 0);
}

TEST(TextDataSource, SourceWithoutFileReportsTheEndAtOnce) {
    const auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    ASSERT_TRUE(source);
    CTextData store;
    EXPECT_EQ(store.LoadFromSource(source.Get()), 0);
    EXPECT_TRUE(store.GPSList().empty());
}

}  // namespace
