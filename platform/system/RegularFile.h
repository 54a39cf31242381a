#pragma once
// Reading files that come from outside (a card, a pack, a skin folder): only regular files are
// opened, checked without blocking, so a FIFO, a device or a link to one is refused instead of
// hanging the caller or feeding it without end; a size bound fits what the caller reads.
// Any thread may call.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

namespace platform {

enum class FileReadStatus { Ok, Missing, NotRegular, TooLarge, Failed };

// Longer files are refused, or read only up to the bound (a caller that needs a first line).
enum class Oversize { Refuse, ReadPrefix };

// Opens path for reading into file (unbuffered handle owned by file) when it is a regular file
// of at most maxBytes; error (may be null) says why not.
FileReadStatus OpenRegularFile(const QString& path, int64_t maxBytes, QFile& file,
                               QString* error = nullptr);

// The same as a descriptor in blocking mode that the caller closes; -1 unless Ok.
FileReadStatus OpenRegularDescriptor(const QString& path, int64_t maxBytes, int* fd,
                                     QString* error = nullptr);

// The whole file (or its first maxBytes with ReadPrefix) into bytes.
FileReadStatus ReadRegularFile(const QString& path, int64_t maxBytes, QByteArray* bytes,
                               QString* error = nullptr, Oversize oversize = Oversize::Refuse);

}  // namespace platform
