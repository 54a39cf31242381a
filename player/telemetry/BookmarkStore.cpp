#include "player/telemetry/BookmarkStore.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/RegularFile.h"
#include "player/telemetry/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <cstdlib>

namespace player {

namespace {

constexpr char kDataDirVariable[] = "ROADPLAYER_DATA_DIR";
constexpr char kBookmarkFolder[] = "bookmarks";
constexpr int64_t kMaxFileBytes = int64_t{4} * 1024 * 1024;
constexpr int kFileVersion = 1;

const QString kRecording = QStringLiteral("recording");
const QString kSize = QStringLiteral("size");
const QString kModified = QStringLiteral("modified");
const QString kBookmarks = QStringLiteral("bookmarks");
const QString kTimeMs = QStringLiteral("time_ms");
const QString kNote = QStringLiteral("note");
const QString kVersion = QStringLiteral("version");

QString CleanNote(const QString& note) {
    QString clean = note;
    for (QChar& c : clean) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    return clean.simplified().left(CBookmarkStore::kMaxNoteChars);
}

// The bookmark nearest timeMs within kNearMs, or end.
std::vector<Bookmark>::iterator Nearest(std::vector<Bookmark>& bookmarks, int32_t timeMs) {
    auto best = bookmarks.end();
    int64_t bestDistance = int64_t{CBookmarkStore::kNearMs} + 1;
    for (auto it = bookmarks.begin(); it != bookmarks.end(); ++it) {
        const int64_t distance = std::llabs(int64_t{it->timeMs} - timeMs);
        if (distance < bestDistance) {
            best = it;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace

std::optional<RecordingKey> RecordingKey::OfFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        return std::nullopt;
    }
    return RecordingKey{info.fileName(), info.size(), info.lastModified().toSecsSinceEpoch()};
}

QString CBookmarkStore::DefaultFolder() {
    QString base = qEnvironmentVariable(kDataDirVariable);
    if (base.isEmpty()) {
        base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               QStringLiteral("/RoadPlayer");
    }
    return base + QLatin1Char('/') + QLatin1String(kBookmarkFolder);
}

CBookmarkStore::CBookmarkStore(QString folder) : m_folder(std::move(folder)) {}

QString CBookmarkStore::FileFor(const RecordingKey& key) const {
    const QByteArray identity = key.fileName.toUtf8() + '\n' + QByteArray::number(key.sizeBytes) +
                                '\n' + QByteArray::number(key.modifiedSecs);
    const QByteArray hash = QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex();
    return m_folder + QLatin1Char('/') + QString::fromLatin1(hash) + QStringLiteral(".json");
}

std::vector<Bookmark> CBookmarkStore::List(const RecordingKey& key) const {
    const QString path = FileFor(key);
    QByteArray bytes;
    QString error;
    const platform::FileReadStatus status =
        platform::ReadRegularFile(path, kMaxFileBytes, &bytes, &error);
    if (status != platform::FileReadStatus::Ok) {
        if (status != platform::FileReadStatus::Missing) {
            qCWarning(lcTelemetry) << "bookmarks of" << key.fileName << "not read:" << error;
        }
        return {};
    }
    QJsonParseError parse{};
    const QJsonObject root = QJsonDocument::fromJson(bytes, &parse).object();
    // A file of another recording (or a damaged one) holds none of this one's bookmarks.
    if (parse.error != QJsonParseError::NoError ||
        root.value(kRecording).toString() != key.fileName ||
        root.value(kSize).toInteger(-1) != key.sizeBytes ||
        root.value(kModified).toInteger(-1) != key.modifiedSecs) {
        qCWarning(lcTelemetry) << "bookmark file" << path << "does not belong to" << key.fileName;
        return {};
    }
    std::vector<Bookmark> bookmarks;
    const QJsonArray items = root.value(kBookmarks).toArray();
    for (const auto& value : items) {
        const QJsonObject item = value.toObject();
        const qint64 timeMs = item.value(kTimeMs).toInteger(-1);
        if (timeMs < 0 || timeMs > INT32_MAX) {
            continue;
        }
        bookmarks.push_back(
            {static_cast<int32_t>(timeMs), CleanNote(item.value(kNote).toString())});
    }
    std::stable_sort(bookmarks.begin(), bookmarks.end(),
                     [](const Bookmark& a, const Bookmark& b) { return a.timeMs < b.timeMs; });
    return bookmarks;
}

bool CBookmarkStore::Add(const RecordingKey& key, int32_t timeMs, const QString& note) {
    std::vector<Bookmark> bookmarks = List(key);
    const Bookmark added{std::max(0, timeMs), CleanNote(note)};
    if (const auto near = Nearest(bookmarks, added.timeMs); near != bookmarks.end()) {
        *near = added;
    } else {
        bookmarks.push_back(added);
    }
    std::stable_sort(bookmarks.begin(), bookmarks.end(),
                     [](const Bookmark& a, const Bookmark& b) { return a.timeMs < b.timeMs; });
    return Write(key, bookmarks);
}

bool CBookmarkStore::Remove(const RecordingKey& key, int32_t positionMs) {
    std::vector<Bookmark> bookmarks = List(key);
    const auto near = Nearest(bookmarks, positionMs);
    if (near == bookmarks.end()) {
        return false;
    }
    bookmarks.erase(near);
    return Write(key, bookmarks);
}

bool CBookmarkStore::Write(const RecordingKey& key, const std::vector<Bookmark>& bookmarks) const {
    const QString path = FileFor(key);
    if (bookmarks.empty()) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            qCWarning(lcTelemetry) << "cannot remove" << path;
            return false;
        }
        return true;
    }
    QJsonArray items;
    for (const Bookmark& bookmark : bookmarks) {
        items.append(QJsonObject{{kTimeMs, bookmark.timeMs}, {kNote, bookmark.note}});
    }
    const QJsonObject root{{kVersion, kFileVersion},
                           {kRecording, key.fileName},
                           {kSize, static_cast<qint64>(key.sizeBytes)},
                           {kModified, static_cast<qint64>(key.modifiedSecs)},
                           {kBookmarks, items}};
    QString error;
    if (!QDir().mkpath(m_folder) ||
        !platform::WriteFileAtomically(path, QJsonDocument(root).toJson(), &error)) {
        qCWarning(lcTelemetry) << "bookmarks of" << key.fileName << "not written to" << path
                               << error;
        return false;
    }
    return true;
}

}  // namespace player
