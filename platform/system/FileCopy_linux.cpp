#include "platform/system/FileCopy.h"

#include "platform/system/FilePaths.h"
#include "platform/system/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int64_t kBlockBytes = int64_t{256} * 1024;
constexpr int64_t kCallStepBytes = int64_t{1024} * 1024;

bool SameFile(const struct stat& source, const QString& target) {
    struct stat existing {};
    return ::stat(EncodePath(target).constData(), &existing) == 0 &&
           existing.st_dev == source.st_dev && existing.st_ino == source.st_ino;
}

}  // namespace

FileCopy::FileCopy(const QString& source, const QString& target)
    : m_source(source), m_writer(target) {}

FileCopy::~FileCopy() {
    Cancel();
}

bool FileCopy::Begin() {
    Cancel();
    m_copied = 0;
    OpenRegularDescriptor(m_source, std::numeric_limits<int64_t>::max(), &m_sourceFd);
    struct stat info {};
    if (m_sourceFd < 0 || ::fstat(m_sourceFd, &info) != 0 || SameFile(info, m_writer.Path()) ||
        !m_writer.Open()) {
        Cancel();
        return false;
    }
    m_total = info.st_size;
    m_writer.SetModificationTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    ::posix_fadvise(m_sourceFd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

FileCopy::Step FileCopy::Copy(int64_t maxBytes) {
    if (m_sourceFd < 0) {
        return Step::Failed;
    }
    std::vector<char> block(static_cast<size_t>(kBlockBytes));
    int64_t budget = std::max<int64_t>(1, maxBytes);
    while (budget > 0) {
        const ssize_t got =
            ::read(m_sourceFd, block.data(), static_cast<size_t>(std::min(budget, kBlockBytes)));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            Cancel();
            return Step::Failed;
        }
        if (got == 0 && m_copied < m_total) {
            // The source ended short of the size it had at the start (a card pulled or a file
            // cut meanwhile): what was read is not the recording, so nothing is kept.
            Cancel();
            return Step::Failed;
        }
        if (got == 0) {
            return Finish() ? Step::Done : Step::Failed;
        }
        if (!m_writer.Write(block.data(), static_cast<size_t>(got))) {
            Cancel();
            return Step::Failed;
        }
        m_copied += got;
        budget -= got;
    }
    return Step::More;
}

bool FileCopy::Finish() {
    ::close(m_sourceFd);
    m_sourceFd = -1;
    // A source that grew while it was copied is copied whole; the total follows.
    m_total = std::max(m_total, m_copied);
    return m_writer.Commit();
}

void FileCopy::Cancel() {
    if (m_sourceFd >= 0) {
        ::close(m_sourceFd);
        m_sourceFd = -1;
    }
    m_writer.Discard();
}

CopyResult CopyFileAtomically(const QString& source, const QString& target,
                              const CopyProgress& progress) {
    FileCopy copy(source, target);
    if (!copy.Begin()) {
        return CopyResult::Failed;
    }
    for (;;) {
        const FileCopy::Step step = copy.Copy(kCallStepBytes);
        if (step == FileCopy::Step::Failed) {
            return CopyResult::Failed;
        }
        if (progress && !progress(copy.BytesCopied(), copy.TotalBytes()) &&
            step == FileCopy::Step::More) {
            copy.Cancel();
            return CopyResult::Cancelled;
        }
        if (step == FileCopy::Step::Done) {
            return CopyResult::Copied;
        }
    }
}

}  // namespace platform
