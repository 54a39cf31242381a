#pragma once
// Copying one file onto a target path in steps, so a window can show progress and stop it:
// the bytes go to a temporary file beside the target, which takes the target's place only
// when every byte is on the medium. A failed or stopped copy leaves the target as it was (an
// existing file is replaced only at the end). Any thread; one object belongs to one thread.

#include "platform/system/AtomicFile.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace platform {

class FileCopy {
public:
    enum class Step { More, Done, Failed };

    FileCopy(const QString& source, const QString& target);
    ~FileCopy();
    FileCopy(const FileCopy&) = delete;
    FileCopy& operator=(const FileCopy&) = delete;

    // Opens the source and the temporary file. False when the source cannot be read, source
    // and target are the same file, or the target's folder takes no file.
    bool Begin();
    // Copies up to maxBytes; Done once the copy has replaced the target.
    Step Copy(int64_t maxBytes);
    // Stops a copy in progress; the temporary file goes, the target stays as it was.
    void Cancel();

    int64_t BytesCopied() const { return m_copied; }
    int64_t TotalBytes() const { return m_total; }

private:
    bool Finish();

    QString m_source;
    AtomicFileWriter m_writer;
    int m_sourceFd = -1;
    int64_t m_copied = 0;
    int64_t m_total = 0;
};

// Called after each step with the bytes copied and the total; false stops the copy.
using CopyProgress = std::function<bool(int64_t copied, int64_t total)>;

enum class CopyResult { Copied, Cancelled, Failed };

// The whole copy in one call.
CopyResult CopyFileAtomically(const QString& source, const QString& target,
                              const CopyProgress& progress = {});

}  // namespace platform
