#pragma once
// The "check" and "list" commands of mkpack: load a pack with the player's own readers and
// report what they found. Single-threaded tool code.

#include <QString>
#include <QTextStream>

namespace mkpack {

// Prints entries, the profile and the decoded pictures to `out`; on the first failure prints
// one line to `err` and returns non-zero. Missing window scripts and empty preset messages are
// warnings (the player then simply does not open that window or message).
int RunCheck(const QString& packPath, QTextStream& out, QTextStream& err);

// Prints one line per entry: kind, size in bytes and name, in file order.
int RunList(const QString& packPath, QTextStream& out, QTextStream& err);

}  // namespace mkpack
