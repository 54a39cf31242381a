#pragma once
// The source filter: reads a recording with libavformat on one demux thread and hands its
// packets to one output pin per video stream ("Video 1", "Video 2", ... in file order) and
// one "Audio" pin; offers the telemetry lines of the first text subtitle stream through
// ITelemetrySource. Created by CLSID_SourceFilter. Interface methods: the graph's thread.

#include "platform/media/FilterBase.h"
#include "platform/media/FormatReader.h"
#include "platform/media/RecordingRecovery.h"
#include "platform/media/RecoverySource.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform::media {

class SourceFilter final : public FilterBase,
                           public IFileSourceFilter,
                           public ITelemetrySource,
                           public IRecoverySource {
public:
    SourceFilter();
    MEDIA_FORWARD_IUNKNOWN(FilterBase)

    // IFileSourceFilter
    HRESULT Load(const QString& path, const MediaType* type) override;
    HRESULT GetCurFile(QString* path, MediaType* type) override;

    // ITelemetrySource
    HRESULT SetTextOption(BYTE flag) override;
    HRESULT ReadTextLine(char* buffer, int* length, int* timeMs) override;

    // IRecoverySource
    HRESULT SetReferenceFinder(ReferenceFinder finder) override;

    // FilterBase
    HRESULT StartStreaming(int serial) override;
    void RequestStop() override;
    void JoinStreaming() override;
    void SeekSource(REFERENCE_TIME target, int serial) override;
    bool IsSource() const override { return true; }
    REFERENCE_TIME Duration() const override { return m_duration; }
    REFERENCE_TIME PicturesEnd() const override { return m_picturesEnd; }

protected:
    HRESULT QueryExtra(const IID& iid, void** object) override;

private:
    ~SourceFilter() override;

    struct Route {
        int streamIndex = -1;
        OutputPin* pin = nullptr;
        std::shared_ptr<const StreamFormat> format;
    };

    void CreatePins();
    void DemuxLoop(int serial);
    bool ApplyPendingSeek(int* serial, bool* ended);
    void DeliverEndOfStream(int serial);
    static int InterruptCallback(void* self);
    FormatContextPtr OpenCutRecording(const QString& path, const AVIOInterruptCB* interrupt);

    QString m_path;
    ReferenceFinder m_referenceFinder;
    std::shared_ptr<const RecoveredRecording> m_recovered;
    std::unique_ptr<RecoveredInput> m_recoveredInput;  // reads for m_context when recovered
    FormatContextPtr m_context;                        // used by the demux thread while it runs
    std::vector<Route> m_routes;                       // fixed after Load
    REFERENCE_TIME m_duration = -1;
    REFERENCE_TIME m_picturesEnd = -1;
    REFERENCE_TIME m_startOffset = 0;
    BYTE m_textOption = 1;
    std::vector<TelemetryLine> m_lines;
    size_t m_nextLine = 0;

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_seekMutex;
    std::condition_variable m_seekChanged;
    bool m_seekPending = false;       // guarded by m_seekMutex
    REFERENCE_TIME m_seekTarget = 0;  // guarded by m_seekMutex
    int m_seekSerial = 0;             // guarded by m_seekMutex
};

}  // namespace platform::media
