#pragma once
// The user's bookmarks, kept per recording in the user's data folder and never on the card:
// one small JSON file per recording, found by the recording's file name, size and modification
// time, so a copy that keeps these (as Save does) keeps its bookmarks. Each change rewrites the
// file in one atomic step. Any thread; a store holds nothing but its folder, so two stores on
// one folder always agree.

#include "player/telemetry/RecordingMarks.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace player {

struct RecordingKey {
    QString fileName;  // without its folder
    int64_t sizeBytes = 0;
    int64_t modifiedSecs = 0;  // since the epoch

    // The key of the recording at path; none when it is no regular file.
    static std::optional<RecordingKey> OfFile(const QString& path);
    bool operator==(const RecordingKey& other) const = default;
};

class CBookmarkStore {
public:
    // A bookmark within this of a time is the one at that time.
    static constexpr int32_t kNearMs = 1000;
    static constexpr int kMaxNoteChars = 200;

    // $ROADPLAYER_DATA_DIR/bookmarks when that is set, else RoadPlayer/bookmarks in the XDG
    // data home ($XDG_DATA_HOME, by default ~/.local/share).
    static QString DefaultFolder();

    explicit CBookmarkStore(QString folder = DefaultFolder());

    // In time order; none when the recording has none or its file cannot be read (logged).
    std::vector<Bookmark> List(const RecordingKey& key) const;
    // Adds a bookmark at timeMs (0 at least), replacing one within kNearMs of it. The note is
    // trimmed, its line breaks become spaces and it is cut to kMaxNoteChars. False when it
    // cannot be written; the bookmarks stay as they were.
    bool Add(const RecordingKey& key, int32_t timeMs, const QString& note);
    // Removes the bookmark nearest positionMs when it lies within kNearMs. False when none
    // does or the change cannot be written.
    bool Remove(const RecordingKey& key, int32_t positionMs);

    const QString& Folder() const { return m_folder; }
    // The file holding a recording's bookmarks (it exists only while there are some).
    QString FileFor(const RecordingKey& key) const;

private:
    bool Write(const RecordingKey& key, const std::vector<Bookmark>& bookmarks) const;

    QString m_folder;
};

}  // namespace player
