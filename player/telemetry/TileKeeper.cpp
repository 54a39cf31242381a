#include "player/telemetry/TileKeeper.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/RegularFile.h"
#include "player/telemetry/Log.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <algorithm>
#include <utility>
#include <vector>

namespace player {

namespace {

constexpr char kTileSuffix[] = ".tile";
// Past the bound the folder is trimmed to this share of it, so trimming is rare.
constexpr int64_t kTrimPercent = 90;

}  // namespace

TileKeeper::TileKeeper(QString folder, int64_t boundBytes)
    : m_folder(std::move(folder)), m_boundBytes(boundBytes) {}

QString TileKeeper::FileName(const QString& url) const {
    return QString::fromLatin1(
               QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha1).toHex()) +
           QString::fromLatin1(kTileSuffix);
}

void TileKeeper::IndexFolder() {
    if (m_indexed) {
        return;
    }
    m_indexed = true;
    const QFileInfoList files = QDir(m_folder).entryInfoList(
        {QStringLiteral("*") + QString::fromLatin1(kTileSuffix)}, QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo& file : files) {
        m_entries[file.fileName()] = {file.size(), file.lastModified().toMSecsSinceEpoch()};
        m_keptBytes += file.size();
    }
}

std::optional<QByteArray> TileKeeper::Find(const QString& url) {
    if (m_folder.isEmpty()) {
        return std::nullopt;
    }
    IndexFolder();
    const QString name = FileName(url);
    const auto entry = m_entries.find(name);
    if (entry == m_entries.end()) {
        return std::nullopt;
    }
    const QString path = m_folder + QLatin1Char('/') + name;
    QByteArray bytes;
    if (platform::ReadRegularFile(path, kMaxTileBytes, &bytes) != platform::FileReadStatus::Ok ||
        bytes.isEmpty()) {
        // Written meanwhile by another program, or not yet by this one: not kept.
        return std::nullopt;
    }
    const int64_t nowMs = QDateTime::currentMSecsSinceEpoch();
    QFile file(path);
    if (!file.setFileTime(QDateTime::fromMSecsSinceEpoch(nowMs),
                          QFileDevice::FileModificationTime)) {
        qCDebug(lcTelemetry) << "kept tile" << name << "keeps its old time";
    }
    entry->second.usedMs = nowMs;
    return bytes;
}

bool TileKeeper::Keep(const QString& url, const QByteArray& bytes) {
    if (m_folder.isEmpty() || bytes.isEmpty() || bytes.size() > kMaxTileBytes) {
        return false;
    }
    IndexFolder();
    if (!QDir().mkpath(m_folder)) {
        qCInfo(lcTelemetry) << "no folder for kept tiles:" << m_folder;
        return false;
    }
    const QString name = FileName(url);
    Entry& entry = m_entries[name];
    m_keptBytes += bytes.size() - entry.bytes;
    entry = {bytes.size(), QDateTime::currentMSecsSinceEpoch()};
    const QString path = m_folder + QLatin1Char('/') + name;
    // A whole file with its flush to the medium: no reason to hold up the page for it.
    QThreadPool::globalInstance()->start([path, bytes] {
        if (!platform::WriteFileAtomically(path, bytes)) {
            qCInfo(lcTelemetry) << "a tile could not be kept in" << path;
        }
    });
    if (m_keptBytes > m_boundBytes) {
        DropOldest();
    }
    return true;
}

void TileKeeper::DropOldest() {
    std::vector<std::pair<int64_t, QString>> byAge;
    byAge.reserve(m_entries.size());
    for (const auto& [name, entry] : m_entries) {
        byAge.emplace_back(entry.usedMs, name);
    }
    std::sort(byAge.begin(), byAge.end());
    const int64_t target = m_boundBytes * kTrimPercent / 100;
    for (const auto& [usedMs, name] : byAge) {
        if (m_keptBytes <= target) {
            break;
        }
        if (!QFile::remove(m_folder + QLatin1Char('/') + name)) {
            qCDebug(lcTelemetry) << "kept tile" << name << "was already gone";
        }
        m_keptBytes -= m_entries[name].bytes;
        m_entries.erase(name);
    }
}

}  // namespace player
