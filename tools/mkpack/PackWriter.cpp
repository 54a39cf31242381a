#include "tools/mkpack/PackWriter.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/RegularFile.h"
#include "player/pack/ResourcePack.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

namespace mkpack {

namespace {

void AppendInt32(QByteArray& out, int32_t value) {
    char bytes[4];
    qToLittleEndian<int32_t>(value, bytes);
    out.append(bytes, 4);
}

bool CheckEntries(const std::vector<PackInput>& entries, QString& error) {
    for (const PackInput& entry : entries) {
        if (entry.name.isEmpty() || entry.name.size() >= player::kPackNameSize ||
            entry.name.contains('\0')) {
            error = QStringLiteral("entry name does not fit the 260-byte field: %1")
                        .arg(QString::fromUtf8(entry.name));
            return false;
        }
        if (entry.data.size() > std::numeric_limits<int32_t>::max()) {
            error = QStringLiteral("entry too large: %1").arg(QString::fromUtf8(entry.name));
            return false;
        }
    }
    return true;
}

void AppendDirectory(QByteArray& out, const std::vector<PackInput>& entries) {
    for (const PackInput& entry : entries) {
        QByteArray name = entry.name;
        name.resize(player::kPackNameSize, '\0');
        out.append(name);
        AppendInt32(out, static_cast<int32_t>(entry.data.size()));
    }
}

void SortByName(std::vector<PackInput>& entries) {
    std::sort(entries.begin(), entries.end(),
              [](const PackInput& a, const PackInput& b) { return a.name < b.name; });
}

}  // namespace

EntryKind ClassifyEntry(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    static const QStringList kTexts = {QStringLiteral("xml"), QStringLiteral("html"),
                                       QStringLiteral("txt")};
    static const QStringList kImages = {QStringLiteral("png"), QStringLiteral("jpg"),
                                        QStringLiteral("bmp"), QStringLiteral("gif")};
    if (kTexts.contains(suffix)) {
        return EntryKind::Text;
    }
    return kImages.contains(suffix) ? EntryKind::Image : EntryKind::Other;
}

bool CollectFolder(const QString& folder, PackContents& contents, QStringList& skipped,
                   QString& error) {
    const QDir root(folder);
    if (!root.exists()) {
        error = QStringLiteral("no such folder: %1").arg(folder);
        return false;
    }
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = root.relativeFilePath(path);
        const EntryKind kind = ClassifyEntry(relative);
        if (kind == EntryKind::Other) {
            skipped.append(relative);
            continue;
        }
        PackInput input{relative.toUtf8(), {}};
        QString reason;
        if (platform::ReadRegularFile(path, player::kPackMaxBytes, &input.data, &reason) !=
            platform::FileReadStatus::Ok) {
            error = QStringLiteral("cannot read %1: %2").arg(path, reason);
            return false;
        }
        (kind == EntryKind::Text ? contents.texts : contents.images).push_back(std::move(input));
    }
    return true;
}

bool EncodePack(PackContents contents, QByteArray& pack, QString& error) {
    if (contents.texts.empty() || contents.images.empty()) {
        error = QStringLiteral("a pack needs at least one text and one image entry");
        return false;
    }
    if (!CheckEntries(contents.texts, error) || !CheckEntries(contents.images, error)) {
        return false;
    }
    SortByName(contents.texts);
    SortByName(contents.images);
    pack.clear();
    QByteArray header(player::kPackMagic);
    header.resize(16, '\0');
    pack.append(header);
    AppendInt32(pack, static_cast<int32_t>(contents.texts.size()));
    AppendInt32(pack, static_cast<int32_t>(contents.images.size()));
    AppendDirectory(pack, contents.texts);
    AppendDirectory(pack, contents.images);
    for (const auto* list : {&contents.texts, &contents.images}) {
        for (const PackInput& entry : *list) {
            pack.append(entry.data);
        }
    }
    return true;
}

bool WritePackFile(const QString& outPath, const PackContents& contents, QString& error) {
    QByteArray pack;
    if (!EncodePack(contents, pack, error)) {
        return false;
    }
    if (pack.size() > player::kPackMaxBytes) {
        error = QStringLiteral("the pack would be larger than the player reads");
        return false;
    }
    QString reason;
    if (!platform::WriteFileAtomically(outPath, pack, &reason)) {
        error = QStringLiteral("cannot write %1").arg(reason);
        return false;
    }
    return true;
}

}  // namespace mkpack
