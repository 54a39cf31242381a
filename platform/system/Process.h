#pragma once
// A started program and the handle that can end it. The handle names that one process for
// as long as it is held, so ending it can never hit a process that took over its number after
// it exited. The program runs on its own (it is not a child to wait for). GUI thread.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace platform {

class Process {
public:
    Process() = default;
    // Closes the handle; the process runs on.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts program with its working folder; the handle of an earlier start is closed first
    // (that process runs on). False when the program cannot be started.
    bool Start(const QString& program, const QStringList& arguments, const QString& workingFolder);
    // True while a process is held and has not ended.
    bool IsRunning() const;
    // Asks the held process to end (SIGTERM), waits up to timeoutMs for it and kills it when
    // it is still there; the handle is closed. False when no process was held or it had
    // already ended.
    bool Terminate(int timeoutMs = 1000);
    // Closes the handle without ending the process.
    void Close();

    int64_t ProcessId() const { return m_pid; }
    bool HasHandle() const { return m_handle >= 0; }

private:
    int m_handle = -1;  // pidfd
    int64_t m_pid = 0;
};

}  // namespace platform
