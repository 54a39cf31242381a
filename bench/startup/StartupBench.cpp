// bench/startup: time from exec to the first painted main window of RoadPlayer, and its
// resident memory then, against a bare Qt dialog of the same size started the same way in the
// same run. Both are started alternately; the medians are compared.
//
// startup-bench [--rounds N]
// Without a display it runs itself again under xvfb-run. Exit 1 when RoadPlayer's median
// takes more than three times the bare dialog's.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double kTargetRatio = 3.0;

struct Sample {
    double ms = 0;
    double rssMiB = 0;
};

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Starts program with the probe and a private environment; waits for its end.
std::optional<Sample> Measure(const std::string& program, const QTemporaryDir& dir) {
    const QString probe = dir.filePath("probe");
    QFile::remove(probe);
    std::vector<std::string> env = {
        "ROADPLAYER_STARTUP_PROBE=" + probe.toStdString(),
        "XDG_RUNTIME_DIR=" + dir.filePath("run").toStdString(),
        "ROADPLAYER_REGISTRY_DIR=" + dir.filePath("registry").toStdString(),
        "ROADPLAYER_AUDIO_DEVICE=none",
        "ROADPLAYER_VIRTUAL_DRIVES=",
    };
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "ROADPLAYER_STARTUP_PROBE" && name != "XDG_RUNTIME_DIR" &&
            name != "ROADPLAYER_REGISTRY_DIR" && name != "ROADPLAYER_AUDIO_DEVICE" &&
            name != "ROADPLAYER_VIRTUAL_DRIVES") {
            env.push_back(entry);
        }
    }
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};

    const int64_t start = NowNs();
    pid_t pid = 0;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
        return std::nullopt;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    QFile in(probe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !in.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = in.readAll().trimmed().split(' ');
    if (fields.size() != 2) {
        return std::nullopt;
    }
    return Sample{static_cast<double>(fields[0].toLongLong() - start) / 1e6,
                  static_cast<double>(fields[1].toLongLong()) / (1024.0 * 1024.0)};
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 11;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: startup-bench [--rounds N]\n");
            return 2;
        }
    }
    const char* display = std::getenv("DISPLAY");
    if ((display == nullptr || *display == '\0') && std::getenv("STARTUP_BENCH_XVFB") == nullptr) {
        std::vector<char*> args = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                   const_cast<char*>("-s"),
                                   const_cast<char*>("-screen 0 1280x800x24 -nolisten tcp")};
        for (int i = 0; i < argc; ++i) {
            args.push_back(argv[i]);
        }
        args.push_back(nullptr);
        setenv("STARTUP_BENCH_XVFB", "1", 1);
        execvp("xvfb-run", args.data());
        std::fprintf(stderr, "startup-bench: no display, and xvfb-run cannot be started\n");
        return 2;
    }

    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("run"));
    QFile::setPermissions(dir.filePath("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const std::string player = ROADPLAYER_PROGRAM_DIR "/RoadPlayer";
    const std::string bare = ROADPLAYER_BENCH_DIR "/startup-bare-dialog";
    std::vector<Sample> playerSamples;
    std::vector<Sample> bareSamples;
    // One round each first, unmeasured: the libraries come into the page cache.
    for (int round = -1; round < rounds; ++round) {
        const std::optional<Sample> b = Measure(bare, dir);
        const std::optional<Sample> p = Measure(player, dir);
        if (!b || !p) {
            std::fprintf(stderr, "startup-bench: %s did not report its first paint\n",
                         !b ? bare.c_str() : player.c_str());
            return 2;
        }
        if (round >= 0) {
            bareSamples.push_back(*b);
            playerSamples.push_back(*p);
        }
    }
    auto median = [](const std::vector<Sample>& samples, double Sample::*field) {
        std::vector<double> values;
        values.reserve(samples.size());
        for (const Sample& sample : samples) {
            values.push_back(sample.*field);
        }
        return Median(values);
    };
    const double playerMs = median(playerSamples, &Sample::ms);
    const double bareMs = median(bareSamples, &Sample::ms);
    const double ratio = bareMs > 0 ? playerMs / bareMs : 0;
    std::printf("exec to first painted window, median of %d rounds (display %s)\n", rounds,
                std::getenv("DISPLAY"));
    std::printf("  bare Qt dialog : %8.1f ms, resident %6.1f MiB\n", bareMs,
                median(bareSamples, &Sample::rssMiB));
    std::printf("  RoadPlayer     : %8.1f ms, resident %6.1f MiB\n", playerMs,
                median(playerSamples, &Sample::rssMiB));
    std::printf("  ratio          : %8.2f (target at most %.1f)\n", ratio, kTargetRatio);
    return ratio <= kTargetRatio ? 0 : 1;
}
