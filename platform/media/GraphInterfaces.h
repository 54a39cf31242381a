#pragma once
// The interfaces of the media engine's filter graph, its filters and pins, in the shape the
// graph's users know from the platform they were written for.
//
// Threads: unless a method says otherwise, call from the one thread that owns the graph (the
// UI thread). No method blocks longer than one frame interval; the engine's worker threads
// never call back into the caller. Times are REFERENCE_TIME (100-ns units).

#include "platform/media/Com.h"
#include "platform/media/MediaType.h"

#include <QString>

#include <vector>

class QPainter;
class QWidget;

namespace platform::media {

struct IBaseFilter;
struct IPin;
struct IGraphBuilder;

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
using OAFilterState = LONG;

struct PIN_INFO {
    ComPtr<IBaseFilter> pFilter;
    PIN_DIRECTION dir = PINDIR_INPUT;
    QString achName;
};

struct FILTER_INFO {
    QString achName;               // the name given to AddFilter; empty outside a graph
    ComPtr<IGraphBuilder> pGraph;  // empty outside a graph
};

using PinList = std::vector<ComPtr<IPin>>;
using FilterList = std::vector<ComPtr<IBaseFilter>>;

struct IPin : IUnknown {
    static constexpr IID kIid{
        0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    // S_OK with an AddRef'ed peer, VFW_E_NOT_CONNECTED (and null) when unconnected.
    virtual HRESULT ConnectedTo(IPin** peer) = 0;
    virtual HRESULT ConnectionMediaType(MediaType* type) = 0;
    // The types this pin offers (output) or prefers (input), best first.
    virtual HRESULT EnumMediaTypes(std::vector<MediaType>* types) = 0;
    // S_OK when an input pin takes the type, S_FALSE otherwise.
    virtual HRESULT QueryAccept(const MediaType& type) = 0;
    // Breaks this end only; IGraphBuilder::Disconnect is the usual way (one call per end).
    virtual HRESULT Disconnect() = 0;
};

struct IBaseFilter : IUnknown {
    static constexpr IID kIid{
        0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

    virtual HRESULT GetClassID(CLSID* clsid) = 0;
    virtual HRESULT EnumPins(PinList* pins) = 0;  // in the filter's pin order
    virtual HRESULT FindPin(const QString& name, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // Stops the filter's streaming threads; also allowed outside a graph.
    virtual HRESULT Stop() = 0;
    // Driven by the graph's IMediaControl; VFW_E_NOT_IN_GRAPH for a filter outside a graph.
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) = 0;
    // Called by the graph in AddFilter / RemoveFilter (graph null); not for other callers.
    virtual HRESULT JoinFilterGraph(IGraphBuilder* graph, const QString& name) = 0;
};

struct IGraphBuilder : IUnknown {
    static constexpr IID kIid{
        0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

    // Names are unique in a graph (VFW_E_DUPLICATE_NAME); an empty name gets one made up.
    virtual HRESULT AddFilter(IBaseFilter* filter, const QString& name) = 0;
    // Disconnects every pin of the filter (both ends), stops it and drops the graph's reference.
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(FilterList* filters) = 0;  // in the order they were added
    virtual HRESULT FindFilterByName(const QString& name, IBaseFilter** filter) = 0;
    // Connects an output pin straight to an input pin when a type of the output fits the input:
    // S_OK, VFW_E_ALREADY_CONNECTED, VFW_E_INVALID_DIRECTION, VFW_E_NOT_IN_GRAPH,
    // VFW_E_NO_ACCEPTABLE_TYPES. Only while the graph is stopped (VFW_E_NOT_STOPPED).
    virtual HRESULT Connect(IPin* output, IPin* input) = 0;
    virtual HRESULT ConnectDirect(IPin* output, IPin* input, const MediaType* type) = 0;
    // Breaks the connection at this pin's end; call it for both ends, as the platform expects.
    virtual HRESULT Disconnect(IPin* pin) = 0;
};

struct IMediaControl : IUnknown {
    static constexpr IID kIid{
        0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

    // Run and Pause return at once; the clock starts once every renderer holds its first sample.
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    // Keeps the position: a later Run continues from it. The last picture stays shown.
    virtual HRESULT Stop() = 0;
    // Cues the graph at the current position (the frame there is shown), then reports stopped.
    virtual HRESULT StopWhenReady() = 0;
    // VFW_S_STATE_INTERMEDIATE while a renderer still waits for its first sample after timeoutMs.
    virtual HRESULT GetState(LONG timeoutMs, OAFilterState* state) = 0;
};

enum AM_SEEKING_SEEKING_FLAGS {
    AM_SEEKING_NoPositioning = 0,
    AM_SEEKING_AbsolutePositioning = 1,
    AM_SEEKING_RelativePositioning = 2,
};

struct IMediaSeeking : IUnknown {
    static constexpr IID kIid{
        0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};

    // E_FAIL while the graph has no source with a known duration.
    virtual HRESULT GetDuration(REFERENCE_TIME* duration) = 0;
    // Between 0 and the duration; equals the duration once the streams have ended.
    virtual HRESULT GetCurrentPosition(REFERENCE_TIME* position) = 0;
    // Accurate: the frame at the target is shown, in every state. The stop position is fixed
    // at the end of the streams; its flags must be AM_SEEKING_NoPositioning.
    virtual HRESULT SetPositions(REFERENCE_TIME* current, DWORD currentFlags, REFERENCE_TIME* stop,
                                 DWORD stopFlags) = 0;
    // 0.5 .. 2.0 (E_INVALIDARG outside); sound keeps its pitch.
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double* rate) = 0;
};

struct IMediaEventEx : IUnknown {
    static constexpr IID kIid{
        0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

    // Accepted for the callers' shape; the engine posts no events.
    virtual HRESULT SetNotifyWindow(intptr_t window, LONG message, intptr_t instanceData) = 0;
};

struct IBasicAudio : IUnknown {
    static constexpr IID kIid{
        0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

    // Volume in hundredths of a decibel, -10000 (silent) .. 0 (full); multiplied with the
    // process-wide wave-out volume. Balance -10000 (left only) .. 10000 (right only).
    virtual HRESULT put_Volume(LONG volume) = 0;
    virtual HRESULT get_Volume(LONG* volume) = 0;
    virtual HRESULT put_Balance(LONG balance) = 0;
    virtual HRESULT get_Balance(LONG* balance) = 0;
};

struct IVideoFrameStep : IUnknown {
    static constexpr IID kIid{
        0xE46A9787, 0x2B71, 0x444D, {0xA4, 0xB5, 0x1F, 0xAB, 0x7B, 0x70, 0x8D, 0x6A}};

    // Shows the next frame while paused or stopped and moves the position to it. A count of
    // 0 or 0xFFFFFFFF (-1) steps one frame; larger counts step that many. Returns at once.
    virtual HRESULT Step(DWORD frames, IUnknown* stepObject) = 0;
    // S_OK when the graph has a video renderer to step, S_FALSE otherwise.
    virtual HRESULT CanStep(LONG multiple, IUnknown* stepObject) = 0;
    virtual HRESULT CancelStep() = 0;
};

// ---- source filter ----

struct IFileSourceFilter : IUnknown {
    static constexpr IID kIid{
        0x56A868A6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

    // Opens the recording and creates the output pins ("Video 1", "Video 2", ... in file
    // order, then "Audio"); VFW_E_UNKNOWN_FILE_TYPE / VFW_E_INVALID_FILE_FORMAT when the file
    // is not a readable recording, VFW_E_WRONG_STATE when a file is loaded already.
    // The type is ignored (may be null).
    virtual HRESULT Load(const QString& path, const MediaType* type) = 0;
    virtual HRESULT GetCurFile(QString* path, MediaType* type) = 0;
};

struct ITelemetrySource : IUnknown {
    static constexpr IID kIid{
        0xDFDDE520, 0x9A29, 0x42DF, {0x85, 0x53, 0xC7, 0xB5, 0xB7, 0x0C, 0x4E, 0x6A}};

    // Before Load: 1 (the default) collects the telemetry lines at Load, 0 skips them.
    virtual HRESULT SetTextOption(BYTE flag) = 0;
    // Copies the next telemetry line (in time order) as zero-terminated text into buffer,
    // at most *length - 1 bytes (a longer line is cut), sets *length to the bytes copied and
    // *timeMs to its time in ms from the start of the recording. S_OK per line,
    // ERROR_HANDLE_EOF (38) when no lines are left, E_POINTER / E_INVALIDARG for bad arguments.
    virtual HRESULT ReadTextLine(char* buffer, int* length, int* timeMs) = 0;
};

// ---- windowless video renderer ----

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

#pragma pack(push, 2)
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // positive: rows bottom-up
    uint16_t biPlanes;
    uint16_t biBitCount;
    DWORD biCompression;  // 0 = BI_RGB
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);

enum VMRMode { VMRMode_Windowed = 1, VMRMode_Windowless = 2, VMRMode_Renderless = 4 };
enum VMR_ASPECT_RATIO_MODE { VMR_ARMODE_NONE = 0, VMR_ARMODE_LETTER_BOX = 1 };

struct IVMRFilterConfig : IUnknown {
    static constexpr IID kIid{
        0x5A804648, 0x4F66, 0x4867, {0x9C, 0x43, 0x4F, 0x5C, 0x82, 0x2C, 0xF1, 0xB8}};

    // Only VMRMode_Windowless is supported (E_INVALIDARG for the others).
    virtual HRESULT SetRenderingMode(DWORD mode) = 0;
    virtual HRESULT GetRenderingMode(DWORD* mode) = 0;
};

struct IVMRWindowlessControl : IUnknown {
    static constexpr IID kIid{
        0x8F537D09, 0xF85E, 0x4414, {0xB2, 0x3B, 0x50, 0x2E, 0x54, 0xC7, 0x99, 0x27}};

    // source may be null (the whole picture); destination is in the clipping window's
    // coordinates, normally its client rectangle. Pictures are scaled straight to its size.
    virtual HRESULT SetVideoPosition(const RECT* source, const RECT* destination) = 0;
    virtual HRESULT GetVideoPosition(RECT* source, RECT* destination) = 0;
    // The view widget the renderer paints into. A new frame asks it to repaint through a
    // queued call; the renderer paints the frame in the widget's paint events by itself.
    virtual HRESULT SetVideoClippingWindow(QWidget* view) = 0;
    virtual HRESULT SetAspectRatioMode(DWORD mode) = 0;  // VMR_ARMODE_NONE: stretched
    virtual HRESULT GetAspectRatioMode(DWORD* mode) = 0;
    // Paints the current picture into the destination rectangle with the caller's painter
    // (black before the first frame). view must be the clipping window.
    virtual HRESULT RepaintVideo(QWidget* view, QPainter* painter) = 0;
    // The current picture at its native size as a packed DIB: a BITMAPINFOHEADER followed by
    // bottom-up rows of width * 4 bytes (B, G, R, X). The caller frees it with CoTaskMemFree.
    // E_FAIL before the first frame.
    virtual HRESULT GetCurrentImage(BYTE** dib) = 0;
    virtual HRESULT GetNativeVideoSize(LONG* width, LONG* height, LONG* arWidth,
                                       LONG* arHeight) = 0;
};

// ---- brightness filter ----

struct IBrightnessControl : IUnknown {
    static constexpr IID kIid{
        0x16CC5241, 0xAC7B, 0x433F, {0xB5, 0xD9, 0xD3, 0x47, 0x3C, 0x4F, 0x85, 0x05}};

    // -100 (black) .. 0 (unchanged) .. 100 (white); any thread.
    virtual HRESULT SetBrightness(LONG level) = 0;
    virtual HRESULT GetBrightness(LONG* level) = 0;
};

// ---- seamless sequence ----

// A graph cued to play on where another graph's recording ends, gapless: its clock runs on from
// the end of the leader's pictures, its sound joins the leader's sound device, and its video
// renderers leave their views to the leader's pictures until their own first one is due. The
// graph's thread.
struct IGraphSequence : IUnknown {
    static constexpr IID kIid{
        0x5E0B7C21, 0x3A64, 0x4F0D, {0x9B, 0x17, 0x6C, 0x2E, 0x81, 0xD4, 0x3F, 0xA9}};

    // Before any filter is added: this graph follows leader (a graph with a loaded source).
    virtual HRESULT FollowGraph(IGraphBuilder* leader) = 0;
    // The leader is about to go: the clock and the sound device become this graph's own; time
    // and sound run on without a break. S_FALSE when the graph follows none.
    virtual HRESULT TakeOver() = 0;
    // S_OK once the leader has reached this graph's start (it shows and sounds), else S_FALSE.
    virtual HRESULT HasStarted() = 0;
};

// ---- renderer statistics (tests, benchmarks, diagnostics) ----

struct RendererStats {
    int64_t framesRendered = 0;          // video frames shown / audio buffers played
    int64_t framesDropped = 0;           // skipped because they were too late to show
    int64_t framesLate = 0;              // shown more than one frame interval after their time
    REFERENCE_TIME lastSampleTime = -1;  // video: time of the frame shown; audio: its clock
    int lastFrameNumber = -1;            // video: index of the frame shown in its stream, if known
    bool deviceActive = false;           // audio: a sound device plays (else the silent clock runs)
};

struct IRendererStats : IUnknown {
    static constexpr IID kIid{
        0x3C1F0A52, 0x7D4B, 0x4E19, {0x8E, 0x62, 0xB4, 0x91, 0x2A, 0x7F, 0x05, 0xC3}};

    // Any thread.
    virtual HRESULT GetRendererStats(RendererStats* stats) = 0;
};

// What a video decoder did to keep up with the clock (DecodeQuality.h).
struct DecoderStats {
    int threads = 0;                    // the codec's threads
    int64_t framesDecoded = 0;          // pictures that came out of the codec
    int64_t packetsNoLoopFilter = 0;    // decoded with the loop filter skipped (not key frames)
    int64_t packetsNoNonReference = 0;  // sent while non-reference frames were skipped (playing)
};

struct IDecoderStats : IUnknown {
    static constexpr IID kIid{
        0x6B0E93D4, 0x21A7, 0x4C85, {0x9D, 0x3E, 0x57, 0xC2, 0x88, 0x14, 0xAF, 0x60}};

    // Any thread.
    virtual HRESULT GetDecoderStats(DecoderStats* stats) = 0;
};

// Identifier names as the platform spells them.
inline constexpr IID IID_IUnknown = IUnknown::kIid;
inline constexpr IID IID_IPin = IPin::kIid;
inline constexpr IID IID_IBaseFilter = IBaseFilter::kIid;
inline constexpr IID IID_IGraphBuilder = IGraphBuilder::kIid;
inline constexpr IID IID_IMediaControl = IMediaControl::kIid;
inline constexpr IID IID_IMediaSeeking = IMediaSeeking::kIid;
inline constexpr IID IID_IMediaEventEx = IMediaEventEx::kIid;
inline constexpr IID IID_IBasicAudio = IBasicAudio::kIid;
inline constexpr IID IID_IVideoFrameStep = IVideoFrameStep::kIid;
inline constexpr IID IID_IFileSourceFilter = IFileSourceFilter::kIid;
inline constexpr IID IID_ITelemetrySource = ITelemetrySource::kIid;
inline constexpr IID IID_IVMRFilterConfig = IVMRFilterConfig::kIid;
inline constexpr IID IID_IVMRWindowlessControl = IVMRWindowlessControl::kIid;
inline constexpr IID IID_IBrightnessControl = IBrightnessControl::kIid;
inline constexpr IID IID_IRendererStats = IRendererStats::kIid;
inline constexpr IID IID_IGraphSequence = IGraphSequence::kIid;
inline constexpr IID IID_IDecoderStats = IDecoderStats::kIid;

}  // namespace platform::media
