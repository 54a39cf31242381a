#include "AtomicFile.h"

#include "platform/system/Log.h"

#include <QFile>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<unsigned> g_tempSerial{0};

class ScopedFd {
public:
    explicit ScopedFd(int fd) : m_fd(fd) {}
    ~ScopedFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    int Get() const { return m_fd; }
    // Closes now; the result counts because network and FAT file systems report late errors here.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Creates a fresh file beside target; -1 when the folder does not take one.
int CreateTemp(const QByteArray& target, QByteArray* tempPath) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    const QByteArray name = slash < 0 ? target : target.mid(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = folder + '.' + name + '.' + QByteArray::number(::getpid()) + '-' +
                    QByteArray::number(g_tempSerial++) + ".tmp";
        const int fd = ::open(tempPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void SyncFolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash <= 0 ? QByteArray(slash == 0 ? "/" : ".") : path.left(slash);
    const ScopedFd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) {
        // Not every file system syncs folders; the file itself is already on the medium.
        if (::fsync(fd.Get()) != 0) {
            qCDebug(lcSystem) << "folder" << folder << "not synced:" << qt_error_string(errno);
        }
    }
}

}  // namespace

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray tempPath;
    ScopedFd fd(CreateTemp(target, &tempPath));
    if (fd.Get() < 0) {
        qCWarning(lcSystem) << "cannot create a file beside" << path << ":"
                            << qt_error_string(errno);
        return false;
    }
    const char* step = "write";
    bool ok = WriteAll(fd.Get(), bytes.constData(), static_cast<size_t>(bytes.size()));
    if (ok) {
        step = "sync";
        ok = ::fsync(fd.Get()) == 0;
    }
    if (ok) {
        step = "close";
        ok = fd.Close();
    }
    if (ok) {
        step = "rename";
        ok = ::rename(tempPath.constData(), target.constData()) == 0;
    }
    if (!ok) {
        qCWarning(lcSystem) << path << "not written: the" << step
                            << "failed:" << qt_error_string(errno);
        ::unlink(tempPath.constData());
        return false;
    }
    SyncFolderOf(target);
    return true;
}

}  // namespace platform
