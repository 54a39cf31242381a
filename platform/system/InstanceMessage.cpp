#include "platform/system/InstanceMessage.h"

#include "platform/system/FilePaths.h"

namespace platform {

namespace {

constexpr char kActivateRequest[] = "activate";
constexpr char kAnswer[] = "ok\n";

}  // namespace

QByteArray InstanceRequestLine(const QString& file) {
    QByteArray line(kActivateRequest);
    if (!file.isEmpty()) {
        line += '\t' + EncodePath(file).toPercentEncoding();
    }
    return line + '\n';
}

RequestRead ReadInstanceRequest(const QByteArray& received, QString* file) {
    file->clear();
    const qsizetype end = received.indexOf('\n');
    if (end < 0) {
        return received.size() >= kMaxInstanceRequestBytes ? RequestRead::Refused
                                                           : RequestRead::NeedMore;
    }
    if (end >= kMaxInstanceRequestBytes) {
        return RequestRead::Refused;
    }
    const QByteArray line = received.first(end);
    const qsizetype tab = line.indexOf('\t');
    if ((tab < 0 ? line : line.first(tab)) != kActivateRequest) {
        return RequestRead::Refused;
    }
    if (tab < 0) {
        return RequestRead::Activate;
    }
    const QByteArray path = QByteArray::fromPercentEncoding(line.mid(tab + 1));
    // A path holds no NUL and is absolute (the sender made it so).
    if (path.contains('\0') || !path.startsWith('/')) {
        return RequestRead::Refused;
    }
    *file = DecodePath(path);
    return RequestRead::Activate;
}

QByteArray InstanceAnswerLine() {
    return QByteArray(kAnswer);
}

bool IsInstanceAnswer(const QByteArray& received) {
    return received.startsWith(kAnswer);
}

}  // namespace platform
