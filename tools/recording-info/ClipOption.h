#pragma once
// recording-info --clip OUT.mp4 --from FILE:MS --to FILE:MS [--layout copy|front|side|pip]
// [--corner tl|tr|bl|br] [--overlay] [--units kmh|mph] [--no-location] [--preset NAME]:
// a clip of one recording or of several that follow each other in one folder, written by the
// player's exporter. UI thread.

#include <QStringList>
#include <QTextStream>

// The arguments ask for a clip.
bool IsClipCommand(const QStringList& arguments);

// Runs the export: progress on standard error when it is a terminal, a summary line on out,
// the reason on err. Returns the exit status (0 done, 1 failed or cancelled, 2 bad options).
int RunClipCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The usage line of the option.
extern const char kClipUsage[];
