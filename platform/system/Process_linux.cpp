#include "platform/system/Process.h"

#include <QProcess>

#include <cerrno>
#include <csignal>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {

int PidfdOpen(int64_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
}

bool PidfdSignal(int handle, int signal) {
    return ::syscall(SYS_pidfd_send_signal, handle, signal, nullptr, 0) == 0;
}

// A pidfd reads as ready once its process has ended.
bool WaitForEnd(int handle, int timeoutMs) {
    struct pollfd ready {
        handle, POLLIN, 0
    };
    for (;;) {
        const int result = ::poll(&ready, 1, timeoutMs);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        return result > 0;
    }
}

}  // namespace

Process::~Process() {
    Close();
}

bool Process::Start(const QString& program, const QStringList& arguments,
                    const QString& workingFolder) {
    Close();
    QProcess starter;
    starter.setProgram(program);
    starter.setArguments(arguments);
    starter.setWorkingDirectory(workingFolder);
    // Detached: the program outlives a player that crashes, and leaves no child behind.
    qint64 pid = 0;
    if (!starter.startDetached(&pid) || pid <= 0) {
        return false;
    }
    // Numbers are handed out in rising order, so in the moment since the start this one cannot
    // have gone to another program; from here on the handle alone names the process. A
    // program that has already ended leaves no handle.
    m_handle = PidfdOpen(pid);
    m_pid = pid;
    return true;
}

bool Process::IsRunning() const {
    return m_handle >= 0 && !WaitForEnd(m_handle, 0);
}

bool Process::Terminate(int timeoutMs) {
    if (m_handle < 0) {
        return false;
    }
    bool ended = false;
    // An ended process may linger unreaped and still take signals; it is not ended again.
    if (!WaitForEnd(m_handle, 0) && PidfdSignal(m_handle, SIGTERM)) {
        ended = WaitForEnd(m_handle, timeoutMs) ||
                (PidfdSignal(m_handle, SIGKILL) && WaitForEnd(m_handle, timeoutMs));
    }
    Close();
    return ended;
}

void Process::Close() {
    if (m_handle >= 0) {
        ::close(m_handle);
    }
    m_handle = -1;
    m_pid = 0;
}

}  // namespace platform
