#include "platform/system/FindFiles.h"

#include "platform/system/FilePaths.h"

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr unsigned kStatMask = STATX_TYPE | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_BTIME;

// Follows links, so a linked recording or folder is found as what it points at; loops are the
// walker's to break (by FileId).
bool Examine(int folderFd, const char* name, FoundFile& found) {
    struct statx info {};
    if (::statx(folderFd, name, AT_NO_AUTOMOUNT, kStatMask, &info) != 0) {
        return false;
    }
    if (S_ISDIR(info.stx_mode)) {
        found.isFolder = true;
    } else if (!S_ISREG(info.stx_mode)) {
        return false;  // devices, pipes and sockets are never recordings
    }
    found.size = static_cast<int64_t>(info.stx_size);
    const bool hasBirth = (info.stx_mask & STATX_BTIME) != 0 && info.stx_btime.tv_sec != 0;
    found.creationTime = hasBirth ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
    found.id = FileId{makedev(info.stx_dev_major, info.stx_dev_minor), info.stx_ino};
    return true;
}

bool IsLink(int folderFd, const char* name) {
    struct stat info {};
    return ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

class ScopedDir {
public:
    explicit ScopedDir(DIR* dir) : m_dir(dir) {}
    ~ScopedDir() {
        if (m_dir != nullptr) {
            ::closedir(m_dir);
        }
    }
    ScopedDir(const ScopedDir&) = delete;
    ScopedDir& operator=(const ScopedDir&) = delete;
    DIR* Get() const { return m_dir; }

private:
    DIR* m_dir;
};

}  // namespace

std::optional<FileId> IdentifyFile(const QString& path) {
    struct stat info {};
    if (::stat(EncodePath(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return FileId{info.st_dev, info.st_ino};
}

std::optional<FolderListing> FindFiles(const QString& folder, const FileNameFilter& wanted) {
    const int fd = ::open(EncodePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    ScopedDir dir(::fdopendir(fd));
    if (dir.Get() == nullptr) {
        ::close(fd);
        return std::nullopt;
    }
    FolderListing listing;
    struct stat self {};
    if (::fstat(fd, &self) != 0) {
        return std::nullopt;
    }
    listing.folder = FileId{self.st_dev, self.st_ino};
    while (const dirent* entry = ::readdir(dir.Get())) {
        const char* raw = entry->d_name;
        if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0) {
            continue;
        }
        FoundFile found;
        found.name = DecodePath(raw, std::strlen(raw));
        // A plain file the caller does not want costs no stat; anything else may be a folder.
        const bool plainFile = entry->d_type == DT_REG;
        if (plainFile && !wanted(found.name)) {
            continue;
        }
        if (!Examine(fd, raw, found)) {
            continue;
        }
        found.isLink = entry->d_type == DT_LNK || (entry->d_type == DT_UNKNOWN && IsLink(fd, raw));
        if (found.isFolder || plainFile || wanted(found.name)) {
            listing.entries.push_back(std::move(found));
        }
    }
    return listing;
}

}  // namespace platform
