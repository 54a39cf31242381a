#pragma once
// Whole-file writes that either complete or leave the old file (or no file) in place: a
// short write, a full card or a failing close never passes as success and never leaves a
// half-written file behind. Any thread may call; one writer object belongs to one thread.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// What a write does to a file already at the target: replace it, or keep it and fail.
enum class Existing { Replace, Keep };

// Streams a file's bytes into a temporary file in the target's folder; Commit makes them the
// target in one rename after a checked flush to the medium and close. Until then the target
// is untouched; a writer destroyed or discarded before Commit leaves nothing behind.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const QString& path, Existing existing = Existing::Replace);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file (a short name, so any target name fits beside it); false when
    // the folder does not take one or the target's name is too long for it.
    bool Open();
    // Every byte or false; after a failure the writer only discards.
    bool Write(const char* data, size_t size);
    // The modification time the file gets at Commit (a copy keeps its source's).
    void SetModificationTime(int64_t seconds, int64_t nanoseconds);
    // fsync, close and rename over the target, each checked; false (and nothing left behind)
    // when any step fails or an earlier write failed.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    const QString& Path() const { return m_path; }
    // Why the last step failed ("No space left on device"), for the user's message.
    const QString& ErrorString() const { return m_error; }

    // Commit in two halves, for several files that must change together: Finish syncs and
    // closes the temporary file; Replace renames it over the target (with Existing::Keep only
    // where nothing stands, checked in the same step).
    bool Finish();
    bool Replace();
    // Removes the file a Replace with Existing::Keep made, when a later file of its set failed.
    void Withdraw();

private:
    void Fail(const char* step, int code);

    QString m_path;
    Existing m_existing;
    QByteArray m_target;
    QByteArray m_temp;
    int m_fd = -1;
    bool m_failed = false;
    bool m_finished = false;
    bool m_placed = false;  // Replace made the target (Existing::Keep)
    QString m_error;
    bool m_hasTime = false;
    int64_t m_seconds = 0;
    int64_t m_nanoseconds = 0;
};

// Writes to a temporary file in the same folder, syncs it and renames it over path; the
// temporary file is removed on any failure.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

struct FileContent {
    QString path;
    QByteArray bytes;
};
// All files or none: every temporary file is written and synced before the first rename, so a
// full or pulled card leaves the old set in place; with Existing::Keep no file is replaced and
// the files already placed are removed again when a later one fails. error names the file and
// the reason.
bool WriteFilesAtomically(const std::vector<FileContent>& files, QString* error = nullptr,
                          Existing existing = Existing::Replace);

// Writes every byte or fails (short writes are continued, EINTR retried, a zero write fails).
bool WriteAll(int fd, const char* data, size_t size);

}  // namespace platform
