#include "player/pack/ImageCache.h"

#include "platform/system/RegularFile.h"
#include "player/common/NormalizePath.h"
#include "player/pack/Log.h"
#include "player/pack/ResourcePack.h"

#include <QBuffer>
#include <QImageReader>

#include <memory>
#include <mutex>
#include <utility>

namespace player {

namespace {

// The one lock of the cache: guards the instance and every table operation.
std::mutex g_cacheMutex;
std::unique_ptr<ImageCache> g_instance;

// Pack pictures and on-demand files have no base folder: names are taken as they stand.
const QString kBaseFolder;

// The name's extension first: recognising a picture by its content loads every image plugin
// to ask each about it. A picture its extension does not describe is recognised by content.
QImage DecodeByName(const PackImageEntry& entry) {
    const QString& name = entry.key.Text();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        QBuffer buffer;
        buffer.setData(entry.data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, name.mid(dot + 1).toLatin1());
        reader.setAutoDetectImageFormat(false);
        QImage image = reader.read();
        if (!image.isNull()) {
            return image;
        }
    }
    return QImage::fromData(entry.data);
}

}  // namespace

ImageCache& ImageCache::Instance() {
    const std::lock_guard lock(g_cacheMutex);
    if (!g_instance) {
        g_instance.reset(new ImageCache());  // the constructor is private: no make_unique
    }
    return *g_instance;
}

void ImageCache::Destroy() {
    const std::lock_guard lock(g_cacheMutex);
    g_instance.reset();
}

const QImage* ImageCache::AcquireImage(const NameKey& name) {
    if (name.IsEmpty()) {
        return nullptr;
    }
    const std::lock_guard lock(g_cacheMutex);
    if (auto it = m_entries.find(name); it != m_entries.end()) {
        ++it->second.useCount;
        return &it->second.image;
    }
    // A picture outside the pack is read as any outside file: regular files of a sane size only.
    QByteArray bytes;
    QImage image;
    if (platform::ReadRegularFile(NormalizePath(kBaseFolder + name.Text()), kPackMaxBytes,
                                  &bytes) == platform::FileReadStatus::Ok) {
        image.loadFromData(bytes);
    }
    if (image.isNull()) {
        qCInfo(lcPack) << "no picture" << name.Text() << "in the cache or as a file";
        return nullptr;
    }
    auto [it, inserted] = m_entries.emplace(name, Entry{std::move(image), 1});
    return &it->second.image;
}

bool ImageCache::ReleaseImage(const NameKey& name) {
    const std::lock_guard lock(g_cacheMutex);
    auto it = m_entries.find(name);
    if (it == m_entries.end()) {
        return false;
    }
    if (--it->second.useCount < 0) {
        m_entries.erase(it);
    }
    return true;
}

bool ImageCache::InsertImage(const NameKey& name, QImage image) {
    if (image.isNull()) {
        return false;
    }
    const std::lock_guard lock(g_cacheMutex);
    return m_entries.try_emplace(name, Entry{std::move(image), 1}).second;
}

std::optional<int> ImageCache::UseCount(const NameKey& name) const {
    const std::lock_guard lock(g_cacheMutex);
    auto it = m_entries.find(name);
    if (it == m_entries.end()) {
        return std::nullopt;
    }
    return it->second.useCount;
}

int ImageCache::Size() const {
    const std::lock_guard lock(g_cacheMutex);
    return static_cast<int>(m_entries.size());
}

bool LoadPackImages(const ResourcePack* pack, ImageCache& cache) {
    if (pack == nullptr) {
        return false;
    }
    for (int i = 0; i < pack->ImageCount(); ++i) {
        const PackImageEntry& entry = pack->ImageAt(i);
        // Decoding happens outside the lock; QImage owns its pixels, so no stream is kept.
        QImage image = DecodeByName(entry);
        if (image.isNull()) {
            qCWarning(lcPack) << "image entry" << entry.key.Text() << "cannot be decoded: skipped";
        } else if (!cache.InsertImage(entry.key, std::move(image))) {
            qCInfo(lcPack) << "image entry" << entry.key.Text()
                           << "repeats a name: the first stays";
        }
    }
    return true;
}

}  // namespace player
