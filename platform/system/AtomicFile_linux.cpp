#include "AtomicFile.h"

#include "platform/system/FilePaths.h"
#include "platform/system/Log.h"

#include <atomic>
#include <cerrno>
#include <memory>

#include <climits>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<unsigned> g_tempSerial{0};

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray(slash == 0 ? "/" : ".") : path.left(slash);
}

// Whether the target's own name fits its folder's file system (the temporary name is short).
bool NameFits(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const long limit = ::pathconf(FolderOf(target).constData(), _PC_NAME_MAX);
    return target.size() - slash - 1 <= (limit > 0 ? limit : NAME_MAX);
}

// Creates a fresh file beside target; -1 when the folder does not take one. The name does not
// repeat the target's, so a target whose name uses the whole limit still gets one.
int CreateTemp(const QByteArray& target, QByteArray* tempPath) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = folder + ".~" + QByteArray::number(::getpid()) + '-' +
                    QByteArray::number(g_tempSerial++) + ".tmp";
        const int fd = ::open(tempPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Renames only where nothing stands; file systems without the flag are asked through a hard
// link (also atomic), and those without links by a look first.
bool RenameKeeping(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    struct stat existing {};
    if (::lstat(to.constData(), &existing) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

void SyncFolderOf(const QByteArray& path) {
    const QByteArray folder = FolderOf(path);
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

AtomicFileWriter::AtomicFileWriter(const QString& path, Existing existing)
    : m_path(path), m_existing(existing), m_target(EncodePath(path)) {}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Open() {
    Discard();
    m_failed = false;
    m_finished = false;
    m_placed = false;
    m_error.clear();
    if (!NameFits(m_target)) {
        m_error = qt_error_string(ENAMETOOLONG);
        qCWarning(lcSystem) << m_path << "not written:" << m_error;
        m_failed = true;
        return false;
    }
    // Found now, not at the rename, so a set of files fails before any of them is replaced.
    struct stat existing {};
    if (::stat(m_target.constData(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        m_error = QStringLiteral("a folder stands in its place");
        qCWarning(lcSystem) << m_path << "not written:" << m_error;
        m_failed = true;
        return false;
    }
    m_fd = CreateTemp(m_target, &m_temp);
    if (m_fd < 0) {
        m_error = qt_error_string(errno);
        qCWarning(lcSystem) << "cannot create a file beside" << m_path << ":" << m_error;
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
    errno = 0;
    if (!WriteAll(m_fd, data, size)) {
        // A zero-byte write leaves errno alone; it only happens when the medium is full.
        Fail("write", errno != 0 ? errno : ENOSPC);
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
    return Finish() && Replace();
}

bool AtomicFileWriter::Finish() {
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
    int code = errno;
    // The close counts because network and FAT file systems report late errors there.
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (ok && !closed) {
        code = errno;
        step = "close";
        ok = false;
    }
    if (!ok) {
        Fail(step, code);
        return false;
    }
    m_finished = true;
    return true;
}

bool AtomicFileWriter::Replace() {
    if (!m_finished) {
        Discard();
        return false;
    }
    const bool keep = m_existing == Existing::Keep;
    if (keep ? !RenameKeeping(m_temp, m_target)
             : ::rename(m_temp.constData(), m_target.constData()) != 0) {
        Fail("rename", errno);
        return false;
    }
    m_temp.clear();
    m_finished = false;
    m_placed = keep;
    SyncFolderOf(m_target);
    return true;
}

void AtomicFileWriter::Withdraw() {
    if (m_placed) {
        ::unlink(m_target.constData());
        m_placed = false;
    }
}

void AtomicFileWriter::Fail(const char* step, int code) {
    m_error = qt_error_string(code);
    qCWarning(lcSystem) << m_path << "not written: the" << step << "failed:" << m_error;
    m_failed = true;
    Discard();
}

void AtomicFileWriter::Discard() {
    m_finished = false;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    return WriteFilesAtomically({FileContent{path, bytes}}, error);
}

bool WriteFilesAtomically(const std::vector<FileContent>& files, QString* error,
                          Existing existing) {
    std::vector<std::unique_ptr<AtomicFileWriter>> writers;
    for (const FileContent& file : files) {
        auto writer = std::make_unique<AtomicFileWriter>(file.path, existing);
        if (!writer->Open() ||
            !writer->Write(file.bytes.constData(), static_cast<size_t>(file.bytes.size())) ||
            !writer->Finish()) {
            if (error != nullptr) {
                *error = QStringLiteral("%1: %2").arg(file.path, writer->ErrorString());
            }
            return false;  // the writers made so far remove their temporary files
        }
        writers.push_back(std::move(writer));
    }
    for (size_t i = 0; i < writers.size(); ++i) {
        if (!writers[i]->Replace()) {
            if (error != nullptr) {
                *error =
                    QStringLiteral("%1: %2").arg(writers[i]->Path(), writers[i]->ErrorString());
            }
            for (size_t placed = 0; placed < i; ++placed) {
                writers[placed]->Withdraw();
            }
            return false;
        }
    }
    return true;
}

}  // namespace platform
