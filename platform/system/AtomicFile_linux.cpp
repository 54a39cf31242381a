#include "AtomicFile.h"

#include "platform/system/Log.h"

#include <QFile>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<unsigned> g_tempSerial{0};

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
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // Not every file system syncs folders; the file itself is already on the medium.
        ::fsync(fd);
        ::close(fd);
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

AtomicFileWriter::AtomicFileWriter(const QString& path)
    : m_path(path), m_target(QFile::encodeName(path)) {}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Open() {
    Discard();
    m_failed = false;
    m_fd = CreateTemp(m_target, &m_temp);
    if (m_fd < 0) {
        qCWarning(lcSystem) << "cannot create a file beside" << m_path << ":"
                            << qt_error_string(errno);
        m_temp.clear();
        m_failed = true;
        return false;
    }
    return true;
}

bool AtomicFileWriter::Write(const char* data, size_t size) {
    if (m_fd < 0 || m_failed) {
        return false;
    }
    if (!WriteAll(m_fd, data, size)) {
        qCWarning(lcSystem) << m_path << "not written: the write failed:" << qt_error_string(errno);
        m_failed = true;
        return false;
    }
    return true;
}

void AtomicFileWriter::SetModificationTime(int64_t seconds, int64_t nanoseconds) {
    m_hasTime = true;
    m_seconds = seconds;
    m_nanoseconds = nanoseconds;
}

bool AtomicFileWriter::Commit() {
    if (m_fd < 0 || m_failed) {
        Discard();
        return false;
    }
    if (m_hasTime) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {m_seconds, m_nanoseconds}};
        // A file system without times (or a refusal) costs only the date, not the copy.
        ::futimens(m_fd, times);
    }
    const char* step = "sync";
    bool ok = ::fsync(m_fd) == 0;
    // The close counts because network and FAT file systems report late errors there.
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (ok && !closed) {
        step = "close";
        ok = false;
    }
    if (ok && ::rename(m_temp.constData(), m_target.constData()) != 0) {
        step = "rename";
        ok = false;
    }
    if (!ok) {
        qCWarning(lcSystem) << m_path << "not written: the" << step
                            << "failed:" << qt_error_string(errno);
        Discard();
        return false;
    }
    m_temp.clear();
    SyncFolderOf(m_target);
    return true;
}

void AtomicFileWriter::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    AtomicFileWriter writer(path);
    return writer.Open() && writer.Write(bytes.constData(), static_cast<size_t>(bytes.size())) &&
           writer.Commit();
}

}  // namespace platform
