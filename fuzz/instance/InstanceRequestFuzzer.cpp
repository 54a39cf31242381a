// What reaches the running instance through its socket: any bytes from a client of the same
// user. The reader never takes more than one bounded line, a request it takes is sent again
// by InstanceRequestLine byte for byte, and a path's bytes survive the trip.

#include "platform/system/FilePaths.h"
#include "platform/system/InstanceMessage.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray received(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString file;
    const platform::RequestRead read = platform::ReadInstanceRequest(received, &file);
    const qsizetype end = received.indexOf('\n');
    if (read == platform::RequestRead::NeedMore &&
        (end >= 0 || received.size() >= platform::kMaxInstanceRequestBytes)) {
        std::abort();
    }
    if (read == platform::RequestRead::Activate) {
        if (end < 0 || end >= platform::kMaxInstanceRequestBytes ||
            !file.isEmpty() != received.first(end).contains('\t')) {
            std::abort();
        }
        QString again;
        if (platform::ReadInstanceRequest(platform::InstanceRequestLine(file), &again) !=
                platform::RequestRead::Activate ||
            again != file) {
            std::abort();
        }
    }
    if (read != platform::RequestRead::Activate && !file.isEmpty()) {
        std::abort();
    }
    // The same bytes as a path: decoded and encoded again they are what they were.
    if (platform::EncodePath(platform::DecodePath(received)) != received) {
        std::abort();
    }
    return 0;
}
