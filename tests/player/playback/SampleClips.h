#pragma once
// Test fixtures: small recordings written by make-sample-card (and remuxed by the ffmpeg
// program for stream counts the camera never writes) into a temporary folder.

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace testclips {

// Widgets need an application object; one per test process.
inline void EnsureApplication() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "playback-tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

// A first member of a fixture, so the application exists before the fixture's widgets.
struct ApplicationGuard {
    ApplicationGuard() { EnsureApplication(); }
};

// Writes one clip and returns its path, empty on failure. options go to make-sample-card.
inline QString MakeClip(const QString& folder, const QStringList& options) {
    const QString card = folder + "/card";
    QDir(card).removeRecursively();
    QProcess tool;
    tool.start(QStringLiteral(TEST_TOOLS_DIR "/make-sample-card"),
               QStringList{card, "--categories", "normal", "--count", "normal=1"} + options);
    if (!tool.waitForFinished(120000) || tool.exitCode() != 0) {
        return {};
    }
    const QStringList files = QDir(card + "/NORMAL").entryList(QDir::Files);
    return files.isEmpty() ? QString() : card + "/NORMAL/" + files.first();
}

// Copies the chosen streams of a clip into a new file with the ffmpeg program; empty on failure.
inline QString Remux(const QString& input, const QString& output, const QStringList& maps) {
    QStringList arguments{"-v", "error", "-y", "-i", input};
    for (const QString& map : maps) {
        arguments << "-map" << map;
    }
    arguments << "-c"
              << "copy" << output;
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", arguments);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        return {};
    }
    return output;
}

}  // namespace testclips
