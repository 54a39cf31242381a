#pragma once
// File enumeration (find-first / find-next): the entries of one folder in the order the file
// system returns them, with size and creation time. Any thread may call.

#include <QString>

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform {

// Tells folders apart when links or mounts show one under two names.
struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
    auto operator<=>(const FileId&) const = default;
};

struct FoundFile {
    QString name;
    bool isFolder = false;     // links are followed: a link to a folder is a folder
    bool isLink = false;       // the entry itself is a symbolic link
    int64_t size = 0;          // bytes; files only
    int64_t creationTime = 0;  // seconds since 1970 UTC: the birth time where the file
                               // system keeps one, else the last modification
    FileId id;                 // of what the entry names, links followed
};

struct FolderListing {
    FileId folder;
    std::vector<FoundFile> entries;
};

// Which files to report, by name (stat is spared for the others). Folders are always reported.
using FileNameFilter = std::function<bool(const QString& name)>;

// What path names (links followed); none when nothing does.
std::optional<FileId> IdentifyFile(const QString& path);

// The folders and the wanted files of folder ("." and ".." left out). Entries that vanish or
// cannot be examined while the folder is read are left out. None when the folder cannot be
// opened.
std::optional<FolderListing> FindFiles(const QString& folder, const FileNameFilter& wanted);

}  // namespace platform
