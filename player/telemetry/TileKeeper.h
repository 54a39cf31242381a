#pragma once
// Map tiles the map page fetched, kept as files in a folder of the user's cache, so the same
// area shows its map later without network. The folder is bounded in bytes: past the bound the
// tiles longest unseen go first (showing a tile renews its file time). GUI thread only; the
// files are written whole on the thread pool, so a tile kept a moment ago may not be found yet.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>

namespace player {

class TileKeeper {
public:
    static constexpr int64_t kDefaultBoundBytes = int64_t{100} * 1024 * 1024;
    // Larger answers are no map tiles.
    static constexpr int64_t kMaxTileBytes = int64_t{1024} * 1024;

    // folder: where the tiles are kept (made on the first Keep); an empty folder keeps nothing.
    TileKeeper(QString folder, int64_t boundBytes);

    // The kept bytes of the tile at url; its file time is renewed. None when it is not kept or
    // cannot be read.
    std::optional<QByteArray> Find(const QString& url);
    // Keeps a tile (replacing one kept for url); drops the tiles longest unseen when the folder
    // passes its bound. False for an empty or oversized tile or no folder.
    bool Keep(const QString& url, const QByteArray& bytes);

    // What the folder holds by this keeper's count.
    int64_t KeptBytes() const { return m_keptBytes; }
    const QString& Folder() const { return m_folder; }

private:
    struct Entry {
        int64_t bytes = 0;
        int64_t usedMs = 0;  // milliseconds since the epoch
    };

    QString FileName(const QString& url) const;
    void IndexFolder();
    void DropOldest();

    QString m_folder;
    int64_t m_boundBytes;
    bool m_indexed = false;
    std::map<QString, Entry> m_entries;  // by file name
    int64_t m_keptBytes = 0;
};

}  // namespace player
