#include "player/pack/ResourcePack.h"

#include "platform/system/RegularFile.h"
#include "player/common/NormalizePath.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace player {

namespace {

int32_t ReadInt32(const char* bytes) {
    return qFromLittleEndian<int32_t>(bytes);
}

bool ReadExactly(QIODevice& device, char* out, int64_t size) {
    return device.read(out, size) == size;
}

}  // namespace

const char* DescribePackError(PackError error) {
    switch (error) {
        case PackError::None:
            return "no error";
        case PackError::NoFile:
            return "the pack file cannot be opened";
        case PackError::NotRegularFile:
            return "the pack is not a regular file";
        case PackError::TooLarge:
            return "the pack is larger than 512 MB";
        case PackError::ShortHeader:
            return "the pack is shorter than its 24-byte header";
        case PackError::BadMagic:
            return "the pack does not start with the magic VDATA";
        case PackError::BadCount:
            return "the pack has no text entries or no image entries";
        case PackError::ShortDirectory:
            return "the pack is shorter than its directories";
        case PackError::BadEntrySize:
            return "a directory entry has a negative size";
        case PackError::LengthMismatch:
            return "the pack length differs from its directories and data";
        case PackError::ReadFailed:
            return "an entry could not be read";
    }
    return "unknown error";
}

bool ResourcePack::OpenPack() {
    const QString folder = ExecutableFolder();
    return OpenPack(folder + u'/' + QLatin1String(kPackFileName));
}

bool ResourcePack::OpenPack(const QString& filePath) {
    QFile file;
    switch (platform::OpenRegularFile(filePath, kPackMaxBytes, file)) {
        case platform::FileReadStatus::Ok:
            return OpenPack(file);
        case platform::FileReadStatus::NotRegular:
            return Fail(PackError::NotRegularFile);
        case platform::FileReadStatus::TooLarge:
            return Fail(PackError::TooLarge);
        case platform::FileReadStatus::Missing:
        case platform::FileReadStatus::Failed:
            break;
    }
    return Fail(PackError::NoFile);
}

bool ResourcePack::Fail(PackError error) {
    Close();
    m_error = error;
    return false;
}

bool ResourcePack::ReadDirectory(QIODevice& device, int count, std::vector<PackDirEntry>& out,
                                 int64_t& sizeSum) {
    std::array<char, kPackDirEntrySize> raw{};
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (!ReadExactly(device, raw.data(), kPackDirEntrySize)) {
            return Fail(PackError::ShortDirectory);
        }
        const size_t nameLength = strnlen(raw.data(), kPackNameSize);
        PackDirEntry entry;
        entry.name = QByteArray(raw.data(), static_cast<qsizetype>(nameLength));
        entry.size = ReadInt32(raw.data() + kPackNameSize);
        // A negative size could balance a larger one and pass the length check.
        if (entry.size < 0) {
            return Fail(PackError::BadEntrySize);
        }
        sizeSum += entry.size;
        out.push_back(std::move(entry));
    }
    return true;
}

bool ResourcePack::OpenPack(QIODevice& device) {
    Close();
    if (!device.isOpen() || !device.isReadable() || device.isSequential() || !device.seek(0)) {
        return Fail(PackError::NoFile);
    }
    const int64_t length = device.size();
    if (!ReadExactly(device, m_header.data(), kPackHeaderSize)) {
        return Fail(PackError::ShortHeader);
    }
    if (std::memcmp(m_header.data(), kPackMagic, std::strlen(kPackMagic)) != 0) {
        return Fail(PackError::BadMagic);
    }
    const int32_t textCount = ReadInt32(m_header.data() + 16);
    const int32_t imageCount = ReadInt32(m_header.data() + 20);
    if (textCount <= 0 || imageCount <= 0) {
        return Fail(PackError::BadCount);
    }
    // Checked before reading so absurd counts cannot make us allocate.
    const int64_t dataStart =
        kPackHeaderSize + int64_t{kPackDirEntrySize} * (int64_t{textCount} + imageCount);
    if (dataStart > length) {
        return Fail(PackError::ShortDirectory);
    }
    int64_t sizeSum = 0;
    if (!ReadDirectory(device, textCount, m_textDir, sizeSum) ||
        !ReadDirectory(device, imageCount, m_imageDir, sizeSum)) {
        return false;
    }
    if (dataStart + sizeSum != length) {
        return Fail(PackError::LengthMismatch);
    }
    for (const PackDirEntry& dir : m_textDir) {
        QByteArray data(dir.size, Qt::Uninitialized);  // QByteArray keeps a NUL after the data
        if (!ReadExactly(device, data.data(), dir.size)) {
            return Fail(PackError::ReadFailed);
        }
        if (dir.size > 0) {
            m_texts.push_back({dir.name, std::move(data)});
        }
    }
    for (const PackDirEntry& dir : m_imageDir) {
        QByteArray data(dir.size, Qt::Uninitialized);
        if (!ReadExactly(device, data.data(), dir.size)) {
            return Fail(PackError::ReadFailed);
        }
        if (dir.size > 0) {
            m_images.push_back({NameKey(dir.name), std::move(data)});
        }
    }
    m_error = PackError::None;
    return true;
}

void ResourcePack::Close() {
    m_header.fill(0);
    m_textDir.clear();
    m_imageDir.clear();
    m_texts.clear();
    m_images.clear();
    m_error = PackError::None;
}

const PackTextEntry* ResourcePack::FindTextEntry(std::string_view name) const {
    for (const PackTextEntry& entry : m_texts) {
        if (std::string_view(entry.name.constData(), static_cast<size_t>(entry.name.size())) ==
            name) {
            return &entry;
        }
    }
    return nullptr;
}

const char* ResourcePack::FindText(std::string_view name) const {
    const PackTextEntry* entry = FindTextEntry(name);
    return entry != nullptr ? entry->data.constData() : nullptr;
}

}  // namespace player
