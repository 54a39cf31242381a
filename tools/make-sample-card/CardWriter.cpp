#include "tools/make-sample-card/CardWriter.h"

#include "tools/make-sample-card/ClipWriter.h"
#include "tools/make-sample-card/DriveModel.h"
#include "tools/make-sample-card/EngineSound.h"
#include "tools/make-sample-card/PowerCut.h"
#include "tools/make-sample-card/SceneRenderer.h"

#include "platform/system/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace samplecard {

namespace {

// Writes a small file under its final name only once it is complete.
bool WriteSmallFile(const QString& path, const QByteArray& bytes, QString& error) {
    QString reason;
    if (!platform::WriteFileAtomically(path, bytes, &reason)) {
        error = QStringLiteral("cannot write %1").arg(reason);
        return false;
    }
    return true;
}

constexpr char kPartPattern[] = ".*.part";  // what TempPathFor makes

// Parts left by an interrupted run are never finished by a later one.
void RemoveStaleParts(const QDir& folder) {
    const QStringList parts =
        folder.entryList({QLatin1String(kPartPattern)}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& part : parts) {
        QFile::remove(folder.filePath(part));
    }
}

bool MakeFolders(const CardOptions& options, QString& error) {
    QDir card(options.cardDir);
    QStringList folders{QLatin1String(kSettingsFolder)};
    for (int c = 0; c < kCategoryCount; ++c) {
        if (options.enabled[static_cast<std::size_t>(c)]) {
            folders << QLatin1String(Categories()[static_cast<std::size_t>(c)].folder);
        }
    }
    for (const QString& folder : folders) {
        if (!card.mkpath(folder)) {
            error = QStringLiteral("cannot create folder %1").arg(card.filePath(folder));
            return false;
        }
        RemoveStaleParts(QDir(card.filePath(folder)));
    }
    return true;
}

// Everything one recording needs; made in card order because the drive runs on.
struct ClipJob {
    ClipContent content;
    QString finalPath;
    QString tempPath;
    double toneHz = 0.0;
    int seed = 0;
    bool telemetry = false;
    double cutPercent = 0.0;
    QString error;
    bool ok = false;
};

// Short whatever the final name's length, so a name at the file system's limit still gets one.
QString TempPathFor(const QString& finalPath) {
    const QFileInfo info(finalPath);
    return info.dir().filePath(QStringLiteral(".%1.part").arg(qHash(info.fileName()), 0, 16));
}

void RunJob(ClipJob& job) {
    ClipContent& c = job.content;
    if (c.audio != AudioKind::None) {
        c.sound = SynthesizeAudio(c.drive, c.lengthSeconds, job.toneHz, job.seed);
    }
    if (job.telemetry) {
        c.telemetry = BuildTelemetry(c.clip, c.drive, c.lengthSeconds);
    }
    job.ok = WriteClip(job.tempPath, job.content, job.error) &&
             (job.cutPercent <= 0.0 || CutAsPowerLoss(job.tempPath, job.cutPercent, job.error));
    if (job.ok && std::rename(QFile::encodeName(job.tempPath).constData(),
                              QFile::encodeName(job.finalPath).constData()) != 0) {
        job.ok = false;
        job.error = QStringLiteral("cannot rename %1 to %2").arg(job.tempPath, job.finalPath);
    }
    if (!job.ok) {
        QFile::remove(job.tempPath);
    }
    // The drive data is only needed while encoding.
    c.sound = {};
    c.drive = {};
    c.telemetry = {};
}

// Runs the jobs on a few workers; stops starting new ones after the first failure.
void RunJobs(std::vector<ClipJob>& jobs, int workers) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size() && !failed; i = next++) {
            RunJob(jobs[i]);
            if (!jobs[i].ok) {
                failed = true;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int w = 1; w < workers; ++w) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

}  // namespace

CardResult WriteCard(const CardOptions& options) {
    CardResult result;
    if (!MakeFolders(options, result.error)) {
        return result;
    }
    const QDir card(options.cardDir);
    const SceneRenderer front(CameraView::Front, options.frontSize, options.frameCode);
    const SceneRenderer rear(CameraView::Rear, options.rearSize, options.frameCode);
    if (!front.IsValid() || (options.cameras == 2 && !rear.IsValid())) {
        result.error = QStringLiteral("cannot draw the camera pictures");
        return result;
    }
    std::vector<PlannedClip> plan = SimulateCard(options);
    std::vector<ClipJob> jobs(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        ClipJob& job = jobs[i];
        ClipContent& c = job.content;
        c.clip = plan[i].clip;
        c.drive = std::move(plan[i].drive);
        c.lengthSeconds = options.lengthSeconds;
        c.fps = options.fps;
        c.audio = options.audio;
        c.container = options.container;
        c.preset = options.preset;
        c.codec = options.codec;
        c.front = &front;
        c.rear = options.cameras == 2 ? &rear : nullptr;
        job.toneHz = options.toneHz;
        job.seed = plan[i].seed;
        job.telemetry = options.telemetry;
        job.finalPath = card.filePath(c.clip.relativePath);
        job.tempPath = TempPathFor(job.finalPath);
    }
    if (options.cutPercent > 0.0 && !jobs.empty()) {
        // A power loss hits the recording being written: the newest of its category.
        const auto newer = [](const ClipJob& a, const ClipJob& b) {
            const bool aNormal =
                a.content.clip.relativePath.startsWith(QLatin1String(Categories()[0].folder));
            const bool bNormal =
                b.content.clip.relativePath.startsWith(QLatin1String(Categories()[0].folder));
            return aNormal != bNormal ? bNormal : a.content.clip.start < b.content.clip.start;
        };
        std::max_element(jobs.begin(), jobs.end(), newer)->cutPercent = options.cutPercent;
    }
    // Recordings are independent once planned: encode two or more at a time, one encoder
    // thread each, which keeps both cores busy even in the short clips' start-up phases.
    const int workers = std::max(1, QThread::idealThreadCount());
    for (ClipJob& job : jobs) {
        job.content.encoderThreads = workers > 1 ? 1 : 0;
    }
    RunJobs(jobs, workers);
    for (const ClipJob& job : jobs) {
        if (!job.ok && !job.error.isEmpty()) {
            result.error = QStringLiteral("%1: %2").arg(job.content.clip.relativePath, job.error);
            return result;
        }
    }
    for (const ClipJob& job : jobs) {
        result.written << job.content.clip.relativePath;
    }
    const QString settings =
        QStringLiteral("%1/%2").arg(QLatin1String(kSettingsFolder), QLatin1String(kSettingsFile));
    if (!WriteSmallFile(card.filePath(settings), QByteArray(kDefaultSettingsRecord),
                        result.error) ||
        !WriteSmallFile(card.filePath(QLatin1String(kVolumeLabelFile)),
                        options.label.toUtf8() + '\n', result.error)) {
        return result;
    }
    result.written << settings << QLatin1String(kVolumeLabelFile);
    result.ok = true;
    return result;
}

}  // namespace samplecard
