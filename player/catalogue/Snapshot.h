#pragma once
// Snapshot (the Capture command) as plain steps: the proposed name, the base B of the chosen
// path, the sequence suffix N, the JPEG files for one or two cameras, and writing a picture.
// GUI thread for the request; the rest any thread.

#include "platform/window/SystemDialogs.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

namespace player {

inline constexpr char kSnapshotFilter[] = "jpeg file (*.jpg)|*.jpg||";

struct SnapshotProposal {
    QString name;    // the recording's name without its extension, then ".jpg"
    int length = 0;  // of the name before ".jpg" (L)
};

// From the current path: its file name cut before the last ".", then ".jpg".
SnapshotProposal ProposeSnapshotName(const QString& currentPath);
// The Save As request over owner: the proposed name in the dialog's own folder, the JPEG
// filter, asking before overwriting.
platform::SaveFileRequest SnapshotSaveRequest(QWidget* owner, const SnapshotProposal& proposal);

// B: the chosen path without the extension the dialog reports (and its dot); unchanged when
// it reports none.
QString SnapshotBase(const QString& chosenPath, const QString& reportedExtension);
// N: when B's file name is as long as the proposed one, "_%03d" with the number of existing
// snapshots of B (B_front_*.jpg for two cameras, B_*.jpg for one); otherwise empty, or "_%03d"
// from 1 when a file of that name exists. Either way raised past numbers whose files exist,
// so that no capture replaces a file.
QString SnapshotSuffix(const QString& base, int proposedLength, int videoCount);
// B_front N .jpg and B_rear N .jpg for two cameras; B N .jpg for one.
QStringList SnapshotFiles(const QString& base, const QString& suffix, int videoCount);
// All of the above for the dialog's answer.
QStringList PlanSnapshotFiles(const platform::SaveFileResult& chosen, int proposedLength,
                              int videoCount);

// Encodes the pictures as JPEG (default quality) into files[0], files[1]... (as many as there
// are pictures), all or none, replacing no file. False with why set (the system's reason,
// such as "No space left on device") when none was written.
bool WriteSnapshots(const QStringList& files, const std::vector<QImage>& pictures,
                    QString* why = nullptr);
bool WriteSnapshot(const QString& path, const QImage& picture);

// The Capture command's writing for the dialog's answer: the planned files for the pictures
// (front, then rear when there is one), planned again when a file of the plan appeared
// meanwhile. The files written, or none with why set.
QStringList SaveSnapshots(const platform::SaveFileResult& chosen, int proposedLength,
                          int videoCount, const std::vector<QImage>& pictures, QString* why);

}  // namespace player
