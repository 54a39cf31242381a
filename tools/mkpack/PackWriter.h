#pragma once
// Writes resource packs in the layout the player reads: the texts and pictures of a folder,
// named by their path relative to it, sorted so equal input gives byte-identical packs.
// Single-threaded tool code.

#include <QByteArray>
#include <QString>

#include <vector>

namespace mkpack {

struct PackInput {
    QByteArray name;  // UTF-8, "/" separators
    QByteArray data;
};

struct PackContents {
    std::vector<PackInput> texts;
    std::vector<PackInput> images;
};

enum class EntryKind { Text, Image, Other };

// By extension, ignoring case: .xml .html .txt are texts; .png .jpg .bmp .gif are images.
EntryKind ClassifyEntry(const QString& fileName);

// Reads every visible file below `folder`; other kinds are reported in `skipped`. False with
// a one-line `error` when the folder cannot be read or a name does not fit the directory.
bool CollectFolder(const QString& folder, PackContents& contents, QStringList& skipped,
                   QString& error);

// The pack bytes; both lists are sorted by name first. False with `error` when a list is
// empty (the player rejects such packs) or a name or size does not fit the layout.
bool EncodePack(PackContents contents, QByteArray& pack, QString& error);

// Encodes and replaces `outPath` atomically.
bool WritePackFile(const QString& outPath, const PackContents& contents, QString& error);

}  // namespace mkpack
