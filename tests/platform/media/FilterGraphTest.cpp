// The graph: names, connections by media type, removal, components by class identifier.

#include "MediaTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace mediatest;

namespace {

class FilterGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_registry.isValid());
        qputenv("ROADPLAYER_REGISTRY_DIR", m_registry.path().toUtf8());
    }
    void TearDown() override { qunsetenv("ROADPLAYER_REGISTRY_DIR"); }

    QTemporaryDir m_registry;
};

ComPtr<IPin> PeerOf(IPin* pin) {
    IPin* peer = nullptr;
    pin->ConnectedTo(&peer);
    return ComPtr<IPin>::Attach(peer);
}

}  // namespace

TEST_F(FilterGraphTest, EveryComponentIsCreatableUntilTheUserDisablesIt) {
    const CLSID classes[] = {CLSID_SourceFilter, CLSID_VideoDecoder, CLSID_AacDecoder,
                             CLSID_FilterGraph};
    for (const CLSID& clsid : classes) {
        ASSERT_TRUE(IsComponentAvailable(clsid));
        void* object = nullptr;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IUnknown::kIid, &object),
                  S_OK);
        ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(object));

        ASSERT_TRUE(SetComponentDisabled(clsid, true));
        EXPECT_FALSE(IsComponentAvailable(clsid));
        object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IUnknown::kIid, &object),
                  REGDB_E_CLASSNOTREG);
        EXPECT_EQ(object, nullptr);
        // The others stay available.
        for (const CLSID& other : classes) {
            EXPECT_EQ(IsComponentAvailable(other), !(other == clsid));
        }
        ASSERT_TRUE(SetComponentDisabled(clsid, false));
        EXPECT_TRUE(IsComponentAvailable(clsid));
    }
    const CLSID unknown{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IUnknown::kIid, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(CreateComponent<IGraphBuilder>(CLSID_SourceFilter));  // wrong interface
}

TEST_F(FilterGraphTest, FiltersAreKeptByUniqueName) {
    auto graph = CreateComponent<IGraphBuilder>(CLSID_FilterGraph);
    auto a = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
    auto b = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
    auto c = CreateComponent<IBaseFilter>(CLSID_AacDecoder);
    ASSERT_EQ(graph->AddFilter(a.Get(), "FFDShow Decoder1"), S_OK);
    EXPECT_EQ(graph->AddFilter(b.Get(), "FFDShow Decoder1"), VFW_E_DUPLICATE_NAME);
    ASSERT_EQ(graph->AddFilter(b.Get(), "FFDShow Decoder2"), S_OK);
    EXPECT_EQ(graph->AddFilter(b.Get(), "again"), VFW_E_DUPLICATE_NAME);
    ASSERT_EQ(graph->AddFilter(c.Get(), ""), S_OK);
    EXPECT_EQ(graph->AddFilter(nullptr, "none"), E_POINTER);

    FilterList filters;
    ASSERT_EQ(graph->EnumFilters(&filters), S_OK);
    ASSERT_EQ(filters.size(), 3u);
    EXPECT_EQ(filters[0], a);
    EXPECT_EQ(filters[1], b);
    FILTER_INFO info;
    c->QueryFilterInfo(&info);
    EXPECT_FALSE(info.achName.isEmpty());
    EXPECT_EQ(info.pGraph, graph);

    IBaseFilter* found = nullptr;
    ASSERT_EQ(graph->FindFilterByName("FFDShow Decoder2", &found), S_OK);
    EXPECT_EQ(found, b.Get());
    ComPtr<IBaseFilter>::Attach(found);
    EXPECT_EQ(graph->FindFilterByName("ffdshow decoder2", &found), VFW_E_NOT_FOUND);  // exact names

    ASSERT_EQ(graph->RemoveFilter(a.Get()), S_OK);
    EXPECT_EQ(graph->RemoveFilter(a.Get()), VFW_E_NOT_FOUND);
    a->QueryFilterInfo(&info);
    EXPECT_TRUE(info.achName.isEmpty());
    EXPECT_FALSE(info.pGraph);
    graph->EnumFilters(&filters);
    EXPECT_EQ(filters.size(), 2u);
}

TEST_F(FilterGraphTest, ConnectSucceedsOnlyWhenTheTypesFit) {
    QTemporaryDir pcmDir;
    ClipOptions pcm;
    pcm.audio = "pcm";
    const QString pcmClip = MakeClip(pcmDir, pcm);
    QTemporaryDir aacDir;
    const QString aacClip = MakeClip(aacDir, ClipOptions{});
    ASSERT_FALSE(pcmClip.isEmpty());
    ASSERT_FALSE(aacClip.isEmpty());

    auto graph = CreateComponent<IGraphBuilder>(CLSID_FilterGraph);
    auto aacSource = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    auto pcmSource = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    auto video = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
    auto video2 = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
    auto aac = CreateComponent<IBaseFilter>(CLSID_AacDecoder);
    auto outside = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
    graph->AddFilter(aacSource.Get(), "aac source");
    graph->AddFilter(pcmSource.Get(), "pcm source");
    graph->AddFilter(video.Get(), "video");
    graph->AddFilter(video2.Get(), "video2");
    graph->AddFilter(aac.Get(), "aac");
    ASSERT_EQ(QueryInterface<IFileSourceFilter>(aacSource)->Load(aacClip, nullptr), S_OK);
    ASSERT_EQ(QueryInterface<IFileSourceFilter>(pcmSource)->Load(pcmClip, nullptr), S_OK);

    const auto in = [](const ComPtr<IBaseFilter>& f) { return PinByName(f.Get(), "In"); };
    const auto out = [](const ComPtr<IBaseFilter>& f) { return PinByName(f.Get(), "Out"); };
    const struct {
        ComPtr<IPin> from;
        ComPtr<IPin> to;
        HRESULT expected;
    } cases[] = {
        {PinByName(pcmSource.Get(), "Audio"), in(aac),
         VFW_E_NO_ACCEPTABLE_TYPES},  // PCM needs no decoder
        {PinByName(aacSource.Get(), "Audio"), in(video),
         VFW_E_NO_ACCEPTABLE_TYPES},  // sound into a video decoder
        {PinByName(aacSource.Get(), "Video 1"), in(aac), VFW_E_NO_ACCEPTABLE_TYPES},
        {in(video), PinByName(aacSource.Get(), "Video 1"), VFW_E_INVALID_DIRECTION},
        {PinByName(aacSource.Get(), "Video 1"), in(outside), VFW_E_NOT_IN_GRAPH},
        {PinByName(aacSource.Get(), "Video 1"), in(video), S_OK},
        {PinByName(aacSource.Get(), "Video 2"), in(video), VFW_E_ALREADY_CONNECTED},
        {PinByName(pcmSource.Get(), "Video 1"), in(video2), S_OK},
        {out(video), in(video2), VFW_E_ALREADY_CONNECTED},
        {PinByName(aacSource.Get(), "Audio"), in(aac), S_OK},
        {out(video), in(aac), VFW_E_ALREADY_CONNECTED},
    };
    int row = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(c.from && c.to) << row;
        EXPECT_EQ(graph->Connect(c.from.Get(), c.to.Get()), c.expected) << "row " << row;
        ++row;
    }
    EXPECT_EQ(graph->Connect(nullptr, in(video2).Get()), E_POINTER);

    // Connected pins know each other and the type that joined them.
    auto front = PinByName(aacSource.Get(), "Video 1");
    EXPECT_EQ(PeerOf(front.Get()), in(video));
    EXPECT_EQ(PeerOf(in(video).Get()), front);
    MediaType joined;
    ASSERT_EQ(in(video)->ConnectionMediaType(&joined), S_OK);
    EXPECT_TRUE(joined.subtype == MEDIASUBTYPE_H264);
    IPin* none = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(PinByName(aacSource.Get(), "Video 2")->ConnectedTo(&none), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(none, nullptr);

    // Disconnect breaks one end; both ends as the platform does it.
    EXPECT_EQ(graph->Disconnect(front.Get()), S_OK);
    EXPECT_FALSE(PeerOf(front.Get()));
    EXPECT_EQ(graph->Disconnect(in(video).Get()), S_OK);
    EXPECT_EQ(graph->Disconnect(in(video).Get()), S_FALSE);
    EXPECT_EQ(graph->Connect(front.Get(), in(video).Get()), S_OK);

    // Removing a filter disconnects it at both ends.
    ASSERT_EQ(graph->RemoveFilter(video.Get()), S_OK);
    EXPECT_FALSE(PeerOf(front.Get()));
    EXPECT_FALSE(PeerOf(in(video).Get()));
    EXPECT_EQ(graph->Connect(front.Get(), in(video).Get()), VFW_E_NOT_IN_GRAPH);
}

TEST_F(FilterGraphTest, DurationNeedsAConnectedRenderer) {
    QTemporaryDir dir;
    const QString clip = MakeClip(dir, ClipOptions{});
    ASSERT_FALSE(clip.isEmpty());
    auto graph = CreateComponent<IGraphBuilder>(CLSID_FilterGraph);
    auto seeking = QueryInterface<IMediaSeeking>(graph);
    REFERENCE_TIME duration = -1;
    EXPECT_TRUE(FAILED(seeking->GetDuration(&duration)));
    auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    graph->AddFilter(source.Get(), "source");
    ASSERT_EQ(QueryInterface<IFileSourceFilter>(source)->Load(clip, nullptr), S_OK);
    EXPECT_TRUE(FAILED(seeking->GetDuration(&duration)));  // nothing could play it

    auto decoder = CreateComponent<IBaseFilter>(CLSID_VideoDecoder);
    auto sink = MakeCom<FrameCollector>(true);
    graph->AddFilter(decoder.Get(), "decoder");
    graph->AddFilter(sink.Get(), "sink");
    ASSERT_EQ(graph->Connect(PinByName(source.Get(), "Video 1").Get(),
                             PinByName(decoder.Get(), "In").Get()),
              S_OK);
    ASSERT_EQ(
        graph->Connect(PinByName(decoder.Get(), "Out").Get(), PinByName(sink.Get(), "In").Get()),
        S_OK);
    ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 2 * kUnitsPerSecond);
}
