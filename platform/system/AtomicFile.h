#pragma once
// Whole-file writes that either complete or leave the old file (or no file) in place: a
// short write, a full card or a failing close never passes as success and never leaves a
// half-written file behind. Any thread may call.

#include <QByteArray>
#include <QString>

#include <cstddef>

namespace platform {

// Writes to a temporary file in the same folder, syncs it and renames it over path; the
// temporary file is removed on any failure.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Writes every byte or fails (short writes are continued, EINTR retried, a zero write fails).
bool WriteAll(int fd, const char* data, size_t size);

}  // namespace platform
