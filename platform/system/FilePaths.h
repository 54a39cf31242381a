#pragma once
// Paths as the file system has them: names are bytes, not text, so a QString keeps each byte
// that is not part of valid UTF-8 as a lone surrogate (U+DC80 to U+DCFF) and gives it back
// unchanged (QFile::encodeName and decodeName replace such bytes, and the file is lost).
// Every path from outside reaches the system through these. Any thread may call.

#include <QByteArray>
#include <QString>

#include <cstddef>

namespace platform {

// The bytes of a path for the system's calls.
QByteArray EncodePath(const QString& path);
// A name or path the system gave; EncodePath of the result gives the same bytes.
QString DecodePath(const char* bytes, size_t size);
QString DecodePath(const QByteArray& bytes);

// Whether something (a dangling link too) stands at path.
bool PathExists(const QString& path);
// Whether both paths name one file (device and inode, links followed); false when either is
// missing.
bool SameFile(const QString& a, const QString& b);
// The path with links, "." and ".." resolved by the system; empty when it does not exist.
QString ResolvedPath(const QString& path);

}  // namespace platform
