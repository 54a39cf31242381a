#pragma once
// Which recordings a clip from one file to another spans: those of the folder between them in
// the camera's order, when each follows the previous one. UI thread (probes the files).

#include <QString>
#include <QStringList>

// Recordings start within this of the previous one's end to follow it.
inline constexpr int kFollowToleranceMs = 2000;

// The recordings from `from` to `to` (both included) in their folder's order by name keys.
// False with *error set when they lie in different folders or `to` comes first.
bool ClipRecordings(const QString& from, const QString& to, QStringList* recordings,
                    QString* error);

// Each recording starts within kFollowToleranceMs of the previous one's end (start from the
// name's date and time keys, end = start + duration). False with *error naming the gap.
bool RecordingsFollowEachOther(const QStringList& recordings, QString* error);
