#include "RegularFile.h"

#include "platform/system/FilePaths.h"
#include "platform/system/Log.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

FileReadStatus Refuse(FileReadStatus status, const QString& reason, QString* error) {
    if (error != nullptr) {
        *error = reason;
    }
    return status;
}

// O_NONBLOCK keeps the open of a FIFO from waiting for a writer; fstat then tells what it is.
FileReadStatus OpenChecked(const QString& path, int64_t maxBytes, Oversize oversize, int* fd,
                           int64_t* size, QString* error) {
    *fd = ::open(EncodePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (*fd < 0) {
        const int code = errno;
        return Refuse(
            code == ENOENT || code == ENOTDIR ? FileReadStatus::Missing : FileReadStatus::Failed,
            qt_error_string(code), error);
    }
    struct stat info {};
    FileReadStatus status = FileReadStatus::Ok;
    QString reason;
    if (::fstat(*fd, &info) != 0) {
        status = FileReadStatus::Failed;
        reason = qt_error_string(errno);
    } else if (!S_ISREG(info.st_mode)) {
        status = FileReadStatus::NotRegular;
        reason = QStringLiteral("not a regular file");
    } else if (*size = info.st_size; oversize == Oversize::Refuse && info.st_size > maxBytes) {
        status = FileReadStatus::TooLarge;
        reason = QStringLiteral("larger than %1 bytes").arg(maxBytes);
    }
    // Reads then wait for data as on any regular file.
    if (const int flags = status == FileReadStatus::Ok ? ::fcntl(*fd, F_GETFL) : 0;
        flags < 0 ||
        (status == FileReadStatus::Ok && ::fcntl(*fd, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
        status = FileReadStatus::Failed;
        reason = qt_error_string(errno);
    }
    if (status != FileReadStatus::Ok) {
        ::close(*fd);
        *fd = -1;
        qCInfo(lcSystem) << path << "not read:" << reason;
    }
    return Refuse(status, reason, error);
}

}  // namespace

FileReadStatus OpenRegularFile(const QString& path, int64_t maxBytes, QFile& file, QString* error) {
    int fd = -1;
    int64_t size = 0;
    const FileReadStatus status = OpenChecked(path, maxBytes, Oversize::Refuse, &fd, &size, error);
    if (status != FileReadStatus::Ok) {
        return status;
    }
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Refuse(FileReadStatus::Failed, file.errorString(), error);
    }
    return FileReadStatus::Ok;
}

FileReadStatus OpenRegularDescriptor(const QString& path, int64_t maxBytes, int* fd,
                                     QString* error) {
    int64_t size = 0;
    return OpenChecked(path, maxBytes, Oversize::Refuse, fd, &size, error);
}

FileReadStatus ReadRegularFile(const QString& path, int64_t maxBytes, QByteArray* bytes,
                               QString* error, Oversize oversize) {
    bytes->clear();
    int fd = -1;
    int64_t size = 0;
    const FileReadStatus status = OpenChecked(path, maxBytes, oversize, &fd, &size, error);
    if (status != FileReadStatus::Ok) {
        return status;
    }
    // One byte more than the bound tells a file that grew since the check.
    const int64_t limit = maxBytes + 1;
    QByteArray buffer;
    buffer.resize(static_cast<qsizetype>(std::min(size + 1, limit)));
    int64_t filled = 0;
    while (filled < limit) {
        if (filled == buffer.size()) {
            buffer.resize(static_cast<qsizetype>(std::min(filled * 2, limit)));
        }
        const ssize_t got =
            ::read(fd, buffer.data() + filled, static_cast<size_t>(buffer.size() - filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int code = errno;
            ::close(fd);
            return Refuse(FileReadStatus::Failed, qt_error_string(code), error);
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    ::close(fd);
    if (filled > maxBytes) {
        if (oversize == Oversize::Refuse) {
            return Refuse(FileReadStatus::TooLarge,
                          QStringLiteral("larger than %1 bytes").arg(maxBytes), error);
        }
        filled = maxBytes;
    }
    buffer.truncate(static_cast<qsizetype>(filled));
    *bytes = std::move(buffer);
    return FileReadStatus::Ok;
}

}  // namespace platform
