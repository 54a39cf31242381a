#pragma once
// The playback session: what is open (the recording, its graph and telemetry, its row of the
// list), the paused-by-user flag and a time-slider seek waiting for its guard, and the one way
// each of them changes: opening by path or by row, the advance at the end, and closing. The
// main window dispatches to it and shows what it reports through its Host. UI thread only.

#include "player/playback/VideoPlayer.h"
#include "player/shell/ControlState.h"
#include "player/telemetry/TextData.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <optional>

namespace player {

class CPlaybackSession {
public:
    // What the session asks of the window it plays in.
    class Host {
    public:
        // The list's rows: how many, and the recording path of one (empty for no row).
        virtual int32_t RowCount() const = 0;
        virtual QString RowPath(int32_t row) const = 0;
        // Marks the row as the selected one; brings it into view.
        virtual void SelectRow(int32_t row) = 0;
        virtual void ScrollToRow(int32_t row) = 0;
        // The playback tick, armed while a recording is open.
        virtual void ArmTick() = 0;
        virtual void KillTick() = 0;
        // A recording was opened: its telemetry and name are to be shown.
        virtual void ShowOpened(const QString& path) = 0;
        // A recording could not be opened ("error-invalid-stream").
        virtual void ShowRefused() = 0;
        // The recording was closed: what showed it beside the views goes (G-sensor window).
        virtual void ShowClosed() = 0;
        // Whether row + 1 continues the trip of row, row being the recording open (a list that
        // shows another category by now has no trip for it).
        virtual bool RowContinuesTrip(int32_t /*row*/) const { return false; }

    protected:
        ~Host() = default;
    };

    // How a row is opened; they differ in what a row without a path does and in the look.
    enum class RowOpening {
        Advance,      // Previous, Next, the end of a recording: nothing for a row without a path
        Play,         // the play button with nothing open: a row without a path is refused
        DoubleClick,  // keeps what is open for a row without a path; selects once it plays
    };

    // Why the recording closes: the look each leaves differs.
    enum class CloseReason {
        Stop,         // rewound and released, the stopped look
        CardRemoved,  // released, every control reset, the volume back to half
        Quit,         // released, the controls left as they are
    };

    // While it runs, time-slider positions are kept and the last one sought when it ends.
    static constexpr int kSeekGuardMs = 100;

    explicit CPlaybackSession(Host& host);
    CPlaybackSession(const CPlaybackSession&) = delete;
    CPlaybackSession& operator=(const CPlaybackSession&) = delete;
    ~CPlaybackSession();

    // The control state the session reports its changes to; set once the controls are bound.
    void SetControlState(CControlState* controls) { m_controls = controls; }

    // Builds the graph for a recording and loads its telemetry: true when it has a duration.
    // A failure is shown as refused and leaves no graph.
    bool OpenRecording(const QString& path);
    // Opens a recording without a row and runs it; false (and closed) on failure.
    bool PlayPath(const QString& path);
    // Opens the list's row as `how` says and runs it: true when it plays.
    bool OpenRow(int32_t row, RowOpening how);
    // The neighbouring rows: Previous only from row 1 on; Next past the last row closes.
    void Previous();
    void Next();
    // The end of a recording: the next row, round to the first; a recording opened by path
    // with no rows to go on to rests paused at its end.
    void AdvanceAtEnd();
    // The one close path.
    void Close(CloseReason reason);

    // The play button: pauses or resumes an open recording; false when nothing is playing,
    // which the caller answers by opening a row.
    bool PlayPause();
    // A time-slider position: sought at once, or when the guard of the last seek ends.
    void SeekTo(int32_t positionMs);
    bool SeekPending() const { return m_seekGuard.isActive(); }
    // The tick's work: the position to show, or none when nothing plays any more (the end
    // advanced to the next recording, which arms its own tick).
    std::optional<int64_t> Tick();

    // Pauses a running playback for a dialog: whether it was running.
    bool PauseForDialog();
    void ResumeAfterDialog(bool wasRunning);

    CVideoPlayer& Player() { return m_player; }
    const CVideoPlayer& Player() const { return m_player; }
    CPlayGraph* Graph() const { return m_player.Graph(); }
    const CTextData& Telemetry() const { return m_telemetry; }
    int32_t CurrentRow() const { return m_currentRow; }
    // The recording last opened (by row or path); kept after a close, as snapshots name by it.
    const QString& CurrentPath() const { return m_currentPath; }
    bool PausedByUser() const { return m_pausedByUser; }

private:
    // Opens, runs, arms the tick and shows the playing look; closes on failure.
    bool Start(const QString& path);
    void ApplyPendingSeek();
    void Update(ControlEvent event) const;

    Host& m_host;
    CControlState* m_controls = nullptr;
    CVideoPlayer m_player;
    CTextData m_telemetry;
    QString m_currentPath;
    int32_t m_currentRow = -1;
    bool m_pausedByUser = false;
    std::optional<int32_t> m_pendingSeekMs;
    QTimer m_seekGuard;
};

}  // namespace player
