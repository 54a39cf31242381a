// ReadSettings on arbitrary file contents: every field must come out valid, and what was read
// must survive being written and read again.

#include "settings/SettingsFiles.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

QString ScratchFile() {
    static QString path = [] {
        char name[] = "/tmp/fuzz-settings-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) {
            std::abort();
        }
        close(fd);
        return QString::fromLocal8Bit(name);
    }();
    return path;
}

bool InRange(int32_t value, int32_t low, int32_t high) {
    return value >= low && value <= high;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = ScratchFile();
    FILE* file = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!file) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);

    settings::CameraSettings read;
    const bool complete = settings::ReadSettings(path, read);
    if (complete != (size >= static_cast<size_t>(settings::kSettingFileBytes))) {
        std::abort();
    }
    if (!InRange(read.parkingMode, 0, 4) || !InRange(read.microphoneVolume, 0, 3) ||
        !InRange(read.speakerVolume, 0, 3) || !InRange(read.recordingQuality, 0, 2) ||
        !InRange(read.echo, 0, 1) || !InRange(read.gSensorSensitivity, 0, 8)) {
        std::abort();
    }
    const QByteArray written = settings::FormatSettings(read);
    settings::CameraSettings again;
    if (written.size() != settings::kSettingFileBytes || !settings::ParseSettings(written, again) ||
        !(again == read)) {
        std::abort();
    }
    return 0;
}
