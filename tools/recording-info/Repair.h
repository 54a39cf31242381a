#pragma once
// recording-info --repair: a playable copy of a recording cut by a power loss, written as a
// new file (atomically; the original is only read) and a line per recovered track.

#include <QString>
#include <QStringList>
#include <QTextStream>

// Why an output would replace one of the inputs (the same file by any name), or empty.
QString ReplacedInput(const QStringList& outputs, const QStringList& inputs);

// reference empty: the player's own choice, the nearest healthy recording beside it. False
// with error set when nothing could be recovered or the copy could not be written.
bool RepairRecording(const QString& path, const QString& reference, const QString& outPath,
                     QTextStream& out, QString& error);
