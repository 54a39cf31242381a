// Loads arbitrary bytes as a recording and reads its telemetry: no crash, hang or leak.

#include "platform/media/ComponentRegistry.h"
#include "platform/media/GraphInterfaces.h"

#include <QDir>
#include <QFile>

#include <unistd.h>
#include <cstddef>
#include <cstdint>

using namespace platform::media;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path =
        QDir::tempPath() + QStringLiteral("/media-load-fuzz-%1.mp4").arg(getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    auto source = CreateComponent<IBaseFilter>(CLSID_SourceFilter);
    auto file = QueryInterface<IFileSourceFilter>(source);
    if (!file || FAILED(file->Load(path, nullptr))) {
        return 0;
    }
    auto telemetry = QueryInterface<ITelemetrySource>(source);
    char buffer[1024];
    int timeMs = 0;
    for (int i = 0; i < 100000; ++i) {
        int length = sizeof buffer;
        if (telemetry->ReadTextLine(buffer, &length, &timeMs) != S_OK) {
            break;
        }
    }
    PinList pins;
    source->EnumPins(&pins);
    for (const auto& pin : pins) {
        std::vector<MediaType> types;
        pin->EnumMediaTypes(&types);
    }
    return 0;
}
