#pragma once
// Makes a written recording look like one a power loss cut: the index the camera writes last
// is gone, the media data box still says size 0, and only a share of the bytes is there.
// Any thread.

#include <QString>

namespace samplecard {

// Keeps percent (0 < percent < 100) of the bytes up to the end of the media data; false with
// a one-line reason when the file is no MP4-family recording.
bool CutAsPowerLoss(const QString& path, double percent, QString& error);

}  // namespace samplecard
