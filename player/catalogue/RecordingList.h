#pragma once
// The recordings of one category as rows of the main window's file list: the category's
// folders on the card are walked, every file with a recording extension is taken with its
// date and size, the recordings are ordered by the keys in their names, and each becomes a
// row of four texts. The rows are the only lasting record: column 3 holds the path by which a
// recording is later opened and copied. Walks and ordering may run on any thread; the list
// control belongs to the GUI thread.

#include "player/common/RecordingCategory.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {
class ListCtrl;
}

namespace player {

class AppProfile;

// One found recording, kept only while a list is filled.
struct RecordingEntry {
    QString path;      // the folder path (ending in "/") followed by the name
    QString name;      // with its extension
    int32_t size = 0;  // KiB, truncated
    QString date;      // creation date in local time, "%d/%02d/%02d"
};

// The columns of `main.listbox.filelist`.
inline constexpr int kColumnName = 0;
inline constexpr int kColumnDate = 1;
inline constexpr int kColumnSize = 2;
inline constexpr int kColumnPath = 3;
inline constexpr int kRecordingColumnCount = 4;
using RecordingRow = std::array<QString, kRecordingColumnCount>;

// What a walk needs to know from the main window and the profile.
struct RecordingFilter {
    QString cardRoot;        // empty: no card chosen, so nothing is walked
    QStringList extensions;  // without dots, compared exactly (avi is not AVI)

    static RecordingFilter FromProfile(const AppProfile& profile, const QString& cardRoot);
    // The text after the name's last "." is one of the extensions; a name without "." is not.
    bool IsRecording(const QString& fileName) const;
};

// The number of recordings below folderPath (the same walk as CollectRecordings); none when
// there is no card or the folder cannot be read.
std::optional<int> CountRecordings(const RecordingFilter& filter, const QString& folderPath);

// Walks folderPath (ending in "/") depth first in the order the file system gives, into
// every subfolder (hidden ones too; each folder once, so linked loops end), appending an
// entry per recording. The walk stays on the card: below folderPath with links resolved and
// on the card root's device; entries leading elsewhere are passed over. False, with nothing
// appended, when there is no card or the folder cannot be read or lies off the card;
// unreadable subfolders and files are passed over.
bool CollectRecordings(const RecordingFilter& filter, const QString& folderPath,
                       std::vector<RecordingEntry>& entries);

struct RecordingListing {
    std::vector<RecordingRow> rows;  // oldest first by name keys
    int firstCount = 0;              // recordings found in the first folder
    int total = 0;                   // and in both
};

// Collects the first folder and (when not empty) the second, orders them (the first folder's
// recordings by their keys, the second's merged in; equal keys keep the order of the walk,
// the first folder's before the second's) and makes the rows.
RecordingListing FillRecordingList(const RecordingFilter& filter, const QString& firstFolder,
                                   const QString& secondFolder);

// Whole KiB of a size in bytes (at most what 32 bits hold).
int32_t RecordingSizeKiB(int64_t bytes);
// "%dKB" up to 1024 KiB, else "%dMB" with the whole MiB.
QString RecordingSizeText(int32_t sizeKiB);
// The local date of a time in seconds since 1970 UTC, "%d/%02d/%02d" (2012/02/15).
QString RecordingDateText(int64_t secondsUtc);
RecordingRow RecordingRowOf(const RecordingEntry& entry);

// RecordingDateText of many times, each local day worked out once: every conversion to local
// time reads the zone anew (a stat of the zone file), and a card's recordings fall on few days.
class LocalDateTexts {
public:
    QString Of(int64_t secondsUtc);

private:
    static constexpr size_t kMaxDays = 64;
    struct Day {
        int64_t fromUtc = 0;
        int64_t toUtc = 0;  // the next day's start
        QString text;
    };
    std::vector<Day> m_days;
};

// Replaces the list's rows with these, with the list's redrawing off meanwhile.
void WriteRecordingRows(platform::ListCtrl& list, const std::vector<RecordingRow>& rows);
// The path in column 3 of a row; empty for a row that does not exist.
QString RecordingPathOfRow(const platform::ListCtrl& list, int row);

// The folder paths (ending in "/") that the list of a category shows: normal, manual and
// motion one folder each; event its own folder, then the event_n folder when configured.
struct CategoryFolders {
    QString first;
    QString second;  // empty when none
};
// None when the category's (first) folder is not configured: its list is not touched.
std::optional<CategoryFolders> CategoryFolderPaths(const AppProfile& profile,
                                                   const QString& cardRoot,
                                                   RecordingCategory shown);

// The category whose tab lists path on the card: Normal, Event (its folder or event_n's),
// Manual or Motion; Unknown when no configured folder holds it.
RecordingCategory CategoryOfRecording(const AppProfile& profile, const QString& cardRoot,
                                      const QString& path);

// The whole listing of a category into the list: folders, walk, order, rows; the number of
// rows. None (the list untouched) when the category has no configured folder; a missing
// folder empties the list.
std::optional<int> ListCategory(platform::ListCtrl& list, const AppProfile& profile,
                                const QString& cardRoot, RecordingCategory shown);

}  // namespace player
