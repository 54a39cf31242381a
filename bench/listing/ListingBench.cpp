// bench/listing: how long the player takes to list a card's recordings (walk the category
// folders, examine each recording, order them by their name keys, write the rows into the
// list control, ask for the rows' durations and make the trips of what is known), against
// `find DIR -printf '%s %C@ %p\n'` over the same tree in the same run. The durations are read
// on the cache's worker meanwhile, as in the player.
//
// listing-bench [--recordings N] [--rounds N] [--card DIR]
// Without --card a card of N recordings (default 10,000) in four folders is made in a
// temporary folder, named in shuffled order. Exit 1 when the listing takes more than twice
// the reference.
#include "platform/window/ListCtrl.h"
#include "player/catalogue/DurationCache.h"
#include "player/catalogue/RecordingList.h"
#include "player/catalogue/Trips.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

using namespace player;

namespace {

constexpr double kTargetRatio = 2.0;

struct Settings {
    int recordings = 10000;
    int rounds = 15;
    QString card;
};

struct Folder {
    const char* name;
    const char* prefix;
    int share;  // of 20
};
// Four folders as a camera fills them: most in normal, the event category in two.
constexpr Folder kFolders[] = {
    {"NORMAL", "NOR", 10}, {"EVENT", "EVT", 4}, {"EVENT_N", "EVN", 2}, {"MANUAL", "MAN", 4}};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double ElapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Names with keys over a month of driving, created in shuffled order with sizes of real
// one-minute recordings (sparse, so the card costs no disk).
bool MakeCard(const QString& root, int count) {
    std::mt19937 random(20250517);
    std::vector<int> minutes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        minutes[static_cast<size_t>(i)] = i;
    }
    std::shuffle(minutes.begin(), minutes.end(), random);
    std::uniform_int_distribution<qint64> size(40LL << 20, 120LL << 20);
    size_t next = 0;
    for (const Folder& folder : kFolders) {
        if (!QDir().mkpath(root + '/' + folder.name)) {
            return false;
        }
        const int inFolder = folder.share * count / 20;
        for (int i = 0; i < inFolder && next < minutes.size(); ++i, ++next) {
            const int minute = minutes[next];
            const QString name =
                QString::asprintf("%s_2505%02d_%02d%02d00_F.mp4", folder.prefix,
                                  1 + minute / 1440 % 28, minute / 60 % 24, minute % 60);
            QFile file(root + '/' + folder.name + '/' + name);
            if (!file.open(QIODevice::WriteOnly) || !file.resize(size(random))) {
                return false;
            }
        }
    }
    return true;
}

// What the player's window does after each listing: the listing's paths and names taken, their
// durations asked for and the trips made from the durations known.
int32_t ListTrips(const std::vector<RecordingRow>& listed, CDurationCache& durations) {
    QStringList paths;
    QStringList names;
    paths.reserve(static_cast<qsizetype>(listed.size()));
    names.reserve(static_cast<qsizetype>(listed.size()));
    for (const RecordingRow& row : listed) {
        paths << row[kColumnPath];
        names << row[kColumnName];
    }
    durations.Request(paths);
    std::vector<TripRow> rows;
    rows.reserve(listed.size());
    for (qsizetype row = 0; row < paths.size(); ++row) {
        rows.push_back(TripRow{names[row], durations.RequestedDurationMs(row)});
    }
    return CTrips(rows).RowCount();
}

// The player's part: three tabs that together show the four folders. *tripsMs gets the part the
// trips take (what the listing cost before them is the rest).
int ListCard(const QString& root, platform::ListCtrl& list, CDurationCache& durations,
             double* tripsMs) {
    *tripsMs = 0;
    const RecordingFilter filter{root + '/', {"mp4", "avi", "mkv"}};
    int rows = 0;
    for (const auto& [first, second] : {std::pair<const char*, const char*>{"NORMAL", nullptr},
                                        {"EVENT", "EVENT_N"},
                                        {"MANUAL", nullptr}}) {
        const RecordingListing listing =
            FillRecordingList(filter, root + '/' + first + '/',
                              second == nullptr ? QString() : root + '/' + second + '/');
        WriteRecordingRows(list, listing.rows);
        QElapsedTimer trips;
        trips.start();
        rows += ListTrips(listing.rows, durations);
        *tripsMs += ElapsedMs(trips);
    }
    return rows;
}

// The reference: find walking and examining the same tree, its output read whole.
int FindCard(const QString& root) {
    QProcess find;
    find.start("find", {root, "-printf", "%s %C@ %p\n"});
    if (!find.waitForFinished(120000) || find.exitCode() != 0) {
        return -1;
    }
    return static_cast<int>(find.readAllStandardOutput().count('\n'));
}

bool ParseSettings(const QStringList& arguments, Settings& settings) {
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        const QString& name = arguments[i];
        const QString& value = arguments[i + 1];
        if (name == "--recordings") {
            settings.recordings = std::max(20, value.toInt());
        } else if (name == "--rounds") {
            settings.rounds = std::max(1, value.toInt());
        } else if (name == "--card") {
            settings.card = value;
        } else {
            return false;
        }
    }
    return arguments.size() % 2 == 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QTextStream out(stdout);
    Settings settings;
    if (!ParseSettings(QApplication::arguments(), settings)) {
        out << "usage: listing-bench [--recordings N] [--rounds N] [--card DIR]\n";
        return 2;
    }
    QTemporaryDir work;
    QString root = settings.card;
    if (root.isEmpty()) {
        root = work.path() + "/card";
        out << "making a card of " << settings.recordings << " recordings in four folders...\n";
        out.flush();
        if (!MakeCard(root, settings.recordings)) {
            out << "cannot make the card in " << work.path() << '\n';
            return 2;
        }
    }

    platform::ListCtrl list;
    list.resize(400, 300);
    // The first round of each warms the caches and is not counted.
    CDurationCache durations;
    double tripsMs = 0;
    const int rows = ListCard(root, list, durations, &tripsMs);
    const int found = FindCard(root);
    if (found < 0) {
        out << "find failed\n";
        return 2;
    }
    std::vector<double> listingMs;
    std::vector<double> withoutTripsMs;
    std::vector<double> tripsRoundMs;
    std::vector<double> findMs;
    for (int round = 0; round < settings.rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        ListCard(root, list, durations, &tripsMs);
        listingMs.push_back(ElapsedMs(timer));
        withoutTripsMs.push_back(listingMs.back() - tripsMs);
        tripsRoundMs.push_back(tripsMs);
        // Durations that arrived meanwhile reach the cache, as between two listings in the player.
        QCoreApplication::processEvents();
        timer.restart();
        FindCard(root);
        findMs.push_back(ElapsedMs(timer));
    }
    const double listing = Median(listingMs);
    const double reference = Median(findMs);
    const double ratio = listing / reference;
    const double withoutTrips = Median(withoutTripsMs);
    out << "card: " << root << " (" << rows << " rows listed; find printed " << found << " lines)\n"
        << "listing (walk, stat, order, rows into the list control, trips), median of "
        << settings.rounds << ": " << QString::number(listing, 'f', 2) << " ms\n"
        << "reference, find -printf '%s %C@ %p\\n' over the same tree: "
        << QString::number(reference, 'f', 2) << " ms\n"
        << "of which the trips (rows taken, durations asked for, trips made): "
        << QString::number(Median(tripsRoundMs), 'f', 2) << " ms (median); without them "
        << QString::number(withoutTrips, 'f', 2) << " ms, ratio "
        << QString::number(withoutTrips / reference, 'f', 2) << '\n'
        << "ratio " << QString::number(ratio, 'f', 2) << ", target <= " << kTargetRatio << ": "
        << (ratio <= kTargetRatio ? "met" : "MISSED") << '\n';
    return ratio <= kTargetRatio ? 0 : 1;
}
