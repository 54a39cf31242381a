#pragma once
// The resource pack "VDATA.PACK" read into memory: text entries (profile, skin documents) and
// image entries (encoded pictures), both in file order. Lives only during start-up; used by
// one thread at a time.

#include "player/common/NameKey.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

class QIODevice;

namespace player {

inline constexpr char kPackFileName[] = "VDATA.PACK";
inline constexpr char kPackMagic[] = "VDATA";
inline constexpr int kPackHeaderSize = 24;
inline constexpr int kPackDirEntrySize = 264;
inline constexpr int kPackNameSize = 260;
// Far above any real pack (a few MB), low enough that a wrong file cannot take the memory.
inline constexpr int64_t kPackMaxBytes = int64_t{512} * 1024 * 1024;

struct PackDirEntry {
    QByteArray name;  // bytes before the first NUL of the 260-byte field
    int32_t size = 0;
};

struct PackTextEntry {
    QByteArray name;
    QByteArray data;  // the entry's bytes; data() is NUL-terminated
};

struct PackImageEntry {
    NameKey key;  // the UTF-8 name as UTF-16
    QByteArray data;
    int32_t Size() const { return static_cast<int32_t>(data.size()); }
};

// Why an open failed; mkpack prints it.
enum class PackError {
    None,
    NoFile,
    NotRegularFile,
    TooLarge,
    ShortHeader,
    BadMagic,
    BadCount,
    ShortDirectory,
    BadEntrySize,
    LengthMismatch,
    ReadFailed,
};

const char* DescribePackError(PackError error);

class ResourcePack {
public:
    ResourcePack() = default;
    ResourcePack(const ResourcePack&) = delete;
    ResourcePack& operator=(const ResourcePack&) = delete;

    // "VDATA.PACK" in the folder of the running executable.
    bool OpenPack();
    bool OpenPack(const QString& filePath);
    // Reads from the device's start; the device must be open for reading and seekable.
    bool OpenPack(QIODevice& device);

    // Frees every buffer and empties both entry lists.
    void Close();

    // The NUL-terminated data of the first text entry named exactly `name`, or nullptr.
    const char* FindText(std::string_view name) const;
    const PackTextEntry* FindTextEntry(std::string_view name) const;

    int TextCount() const { return static_cast<int>(m_texts.size()); }
    const PackTextEntry& TextAt(int index) const { return m_texts.at(static_cast<size_t>(index)); }
    int ImageCount() const { return static_cast<int>(m_images.size()); }
    const PackImageEntry& ImageAt(int index) const {
        return m_images.at(static_cast<size_t>(index));
    }

    const std::array<char, kPackHeaderSize>& Header() const { return m_header; }
    const std::vector<PackDirEntry>& TextDirectory() const { return m_textDir; }
    const std::vector<PackDirEntry>& ImageDirectory() const { return m_imageDir; }

    PackError LastError() const { return m_error; }

private:
    bool Fail(PackError error);
    bool ReadDirectory(QIODevice& device, int count, std::vector<PackDirEntry>& out,
                       int64_t& sizeSum);

    std::array<char, kPackHeaderSize> m_header{};
    std::vector<PackDirEntry> m_textDir;
    std::vector<PackDirEntry> m_imageDir;
    std::vector<PackTextEntry> m_texts;
    std::vector<PackImageEntry> m_images;
    PackError m_error = PackError::None;
};

}  // namespace player
