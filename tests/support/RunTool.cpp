#include "RunTool.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {
namespace {

// Starts program with its standard output and error in the given files (/dev/null when empty).
pid_t Spawn(const QString& program, const QStringList& arguments, const QString& outFile,
            const QString& errFile) {
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments) {
        storage.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& item : storage) {
        argv.push_back(item.data());
    }
    argv.push_back(nullptr);
    const QByteArray out = outFile.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(outFile);
    const QByteArray err = errFile.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(errFile);
    const pid_t pid = fork();
    if (pid == 0) {
        const int outFd = open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (outFd >= 0) {
            dup2(outFd, STDOUT_FILENO);
        }
        if (errFd >= 0) {
            dup2(errFd, STDERR_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

QString ToolPath(const QString& name) {
    return QStringLiteral(TEST_TOOLS_DIR "/") + name;
}

ToolRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs) {
    ToolRun run;
    QTemporaryDir captures;
    if (!captures.isValid()) {
        return run;
    }
    const QString outFile = captures.filePath(QStringLiteral("out"));
    const QString errFile = captures.filePath(QStringLiteral("err"));
    const pid_t pid = Spawn(program, arguments, outFile, errFile);
    if (pid < 0) {
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ended = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.out = QString::fromUtf8(ReadAll(outFile));
    run.err = QString::fromUtf8(ReadAll(errFile));
    if (ended == pid && WIFEXITED(status) && WEXITSTATUS(status) != 127) {
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}

BackgroundTool::BackgroundTool(const QString& program, const QStringList& arguments,
                               const QString& outputFile)
    : m_pid(Spawn(program, arguments, outputFile, {})) {}

BackgroundTool::~BackgroundTool() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
}

ToolRun RunToolOnFullMedium(const QString& program, const QStringList& arguments, int timeoutMs) {
    // The limit holds for the program only; its output reaches the capture file through cat.
    const QString script = QStringLiteral(
        "set -o pipefail; trap '' XFSZ; { ulimit -f 0; exec \"$0\" \"$@\"; } 2>&1 | cat");
    return RunTool(QStringLiteral("bash"), QStringList{"-c", script, program} + arguments,
                   timeoutMs);
}

}  // namespace testsupport
