#include "platform/media/ClipFile.h"

#include "platform/media/Log.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::media {

namespace {

std::atomic<unsigned> g_serial{0};

}  // namespace

ClipFile::ClipFile(const QString& target)
    : m_target(target), m_folder(QFile::encodeName(QFileInfo(target).absolutePath())) {}

ClipFile::~ClipFile() {
    Discard();
}

bool ClipFile::Create() {
    Discard();
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temp = m_folder + "/.clip" + QByteArray::number(::getpid() % 100000) + '-' +
                 QByteArray::number(g_serial++) + ".part";
        m_fd = ::open(m_temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    m_temp.clear();
    Fail(errno);
    return false;
}

bool ClipFile::Write(const uint8_t* data, int size) {
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // A zero-byte write leaves errno alone; it only happens on a full medium.
            Fail(written < 0 ? errno : ENOSPC);
            return false;
        }
        data += written;
        size -= static_cast<int>(written);
    }
    return true;
}

int64_t ClipFile::Seek(int64_t offset, int whence) {
    const off_t at = ::lseek(m_fd, offset, whence);
    if (at < 0) {
        Fail(errno);
    }
    return at;
}

int64_t ClipFile::Size() const {
    struct stat status {};
    return ::fstat(m_fd, &status) == 0 ? status.st_size : -1;
}

bool ClipFile::Commit() {
    if (m_fd < 0) {
        return false;
    }
    bool ok = ::fsync(m_fd) == 0;
    int code = errno;
    // The close counts: network and FAT file systems report late errors there.
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (ok && !closed) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(m_temp.constData(), QFile::encodeName(m_target).constData()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        Fail(code);
        Discard();
        return false;
    }
    m_temp.clear();
    return true;
}

void ClipFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
}

bool ClipFile::FolderExists() const {
    struct stat status {};
    return ::stat(m_folder.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

void ClipFile::Fail(int code) {
    m_errorCode = code;
    m_error = qt_error_string(code);
    qCWarning(lcMedia) << "clip" << m_target << ":" << m_error;
}

}  // namespace platform::media
