#pragma once
// The messages between a later start and the running instance (SingleInstance): one request
// line, "activate", then a tab and the file's path when a file was given (its bytes as the file
// system has them, percent-encoded), and one answer line. Plain functions; any thread.

#include <QByteArray>
#include <QString>

namespace platform {

// A request is at most this long with its newline; longer ones are refused.
inline constexpr qsizetype kMaxInstanceRequestBytes = qsizetype{64} * 1024;

// The request line for file (empty: none), with its newline.
QByteArray InstanceRequestLine(const QString& file);

enum class RequestRead { NeedMore, Activate, Refused };

// Reads the request from the bytes received so far: NeedMore until its newline came (Refused
// when that would exceed the bound); Activate with file set (empty: none) for a well-formed
// request; Refused for anything else. Bytes after the newline are not looked at.
RequestRead ReadInstanceRequest(const QByteArray& received, QString* file);

// The running instance's answer once it has taken the request, with its newline.
QByteArray InstanceAnswerLine();
// Whether received holds that answer.
bool IsInstanceAnswer(const QByteArray& received);

}  // namespace platform
