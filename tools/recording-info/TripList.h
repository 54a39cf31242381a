#pragma once
// recording-info's --trips: the trips the player would make of folders' recordings.

#include <QStringList>
#include <QTextStream>

// The folders' recordings (the camera's extensions, subfolders too) ordered together by their
// name keys, as the event tab merges its two folders, and their durations from each file's
// own index, make the trips. One line per trip, tab-separated: first recording's file name,
// last recording's file name, number of recordings, total duration in whole seconds (a
// recording whose index gives none counts 0). False, with nothing written and *error set,
// when a folder cannot be read.
bool WriteTrips(const QStringList& folders, QTextStream& out, QString* error);
