#pragma once
// The file a clip is written into: a temporary file with a short name beside the target (so a
// target name near the file system's limit still works), which becomes the target in one
// rename after a checked sync and close, or is removed. Internal; one thread at a time.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace platform::media {

class ClipFile {
public:
    explicit ClipFile(const QString& target);
    ~ClipFile();  // removes the temporary file unless it was committed
    ClipFile(const ClipFile&) = delete;
    ClipFile& operator=(const ClipFile&) = delete;

    // Creates the temporary file; false with Error() set when the folder takes none.
    bool Create();
    // Every byte or false (Error() and ErrorCode() say why).
    bool Write(const uint8_t* data, int size);
    // lseek's contract; -1 on failure.
    int64_t Seek(int64_t offset, int whence);
    int64_t Size() const;
    // Syncs, closes and renames over the target, each checked; false (and nothing left) when
    // one fails.
    bool Commit();
    // Removes the temporary file.
    void Discard();
    // The target's folder still exists (a card pulled or a folder removed: it does not).
    bool FolderExists() const;

    const QString& Target() const { return m_target; }
    const QString& Error() const { return m_error; }
    int ErrorCode() const { return m_errorCode; }  // errno of the failed step

private:
    void Fail(int code);

    QString m_target;
    QByteArray m_folder;
    QByteArray m_temp;
    int m_fd = -1;
    QString m_error;
    int m_errorCode = 0;
};

}  // namespace platform::media
