#pragma once
// Recordings for tests, written at test time by make-sample-card (small and quick on purpose).
// Any thread.

#include <QString>
#include <QStringList>

#include <vector>

namespace testsupport {

// Writes a card holding one normal recording (unless options ask for other categories or
// counts) into a new folder below folder, with make-sample-card's options as the tool takes
// them, and returns the first recording's path; empty on failure.
QString MakeClip(const QString& folder, const QStringList& options = {});

// Copies the chosen streams of a recording (by index, repeats allowed) into a new file of the
// same container, for stream layouts the camera never writes. A make-sample-card recording has
// 0 front, 1 rear, 2 sound, 3 telemetry.
bool Remux(const QString& from, const QString& to, const std::vector<int>& streams);

}  // namespace testsupport
