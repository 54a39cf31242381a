#pragma once
// Running a program from a test: to its end with its output captured, or in the background
// until the object goes. Both fork and exec (thread sanitizers follow that, not QProcess); the
// child gets the test's environment. Any thread.

#include <QString>
#include <QStringList>

namespace testsupport {

// A tool of the build by its name (TEST_TOOLS_DIR/name).
QString ToolPath(const QString& name);

struct ToolRun {
    int exitCode = -1;  // -1: it did not start, was killed or timed out
    QString out;        // standard output (UTF-8)
    QString err;        // standard error
};

// program: a path, or a name looked up in PATH.
ToolRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 240000);

// As RunTool, on a medium that takes no byte: every write to a file fails as on a full card
// (a file-size limit of zero). Standard output and error arrive together in out.
ToolRun RunToolOnFullMedium(const QString& program, const QStringList& arguments,
                            int timeoutMs = 240000);

// A program running in the background (a recorder), its standard output going to outputFile;
// ended with SIGTERM when the object goes.
class BackgroundTool {
public:
    BackgroundTool(const QString& program, const QStringList& arguments, const QString& outputFile);
    ~BackgroundTool();
    BackgroundTool(const BackgroundTool&) = delete;
    BackgroundTool& operator=(const BackgroundTool&) = delete;
    bool Running() const { return m_pid > 0; }

private:
    int m_pid = -1;
};

}  // namespace testsupport
