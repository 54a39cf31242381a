#pragma once
// The process-wide picture cache: pack images decoded once at start-up plus pictures loaded
// from files on demand, shared by name with use counts. Every operation, including creation
// and destruction of the instance, runs under one process-wide mutex; any thread may call.
//
// Lifetime: the cache is made on first use and lives until Destroy(). A program holds an
// ImageCache::Scope for its run, so the pictures go at a known point, before the application
// object does.

#include "player/common/NameKey.h"

#include <QImage>

#include <map>
#include <memory>
#include <optional>

namespace player {

class ResourcePack;

class ImageCache {
public:
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    // Destroys the cache when it ends: one per program run (or test), held where its pictures
    // may go.
    class Scope {
    public:
        Scope() { Instance(); }
        ~Scope() { Destroy(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    // The single cache, created on first use.
    static ImageCache& Instance();
    // Destroys the cache; a later Instance() starts an empty one.
    static void Destroy();

    // The picture for `name` with its use count raised, or nullptr. A name not in the cache is
    // loaded from the file NormalizePath(base folder + name) (base folder empty: relative to
    // the current folder). The pointer stays valid until the entry is removed.
    const QImage* AcquireImage(const NameKey& name);

    // Lowers the use count; the entry is removed once the count falls below zero. False when
    // the name is not cached.
    bool ReleaseImage(const NameKey& name);

    // Inserts a decoded picture with use count 1; false (picture dropped) when the name is
    // already cached or the picture is null.
    bool InsertImage(const NameKey& name, QImage image);

    // The use count of a cached name, no value when absent (tests and tools).
    std::optional<int> UseCount(const NameKey& name) const;
    int Size() const;

private:
    struct Entry {
        QImage image;
        int useCount = 0;
    };

    friend struct std::default_delete<ImageCache>;
    ImageCache() = default;
    ~ImageCache() = default;

    std::map<NameKey, Entry> m_entries;
};

// Decodes every image entry of the pack into the cache (use count 1; the first decoded picture
// of a name stays; undecodable entries are skipped). False only when there is no pack.
bool LoadPackImages(const ResourcePack* pack, ImageCache& cache);

}  // namespace player
