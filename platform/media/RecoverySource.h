#pragma once
// The source filter's side of recordings cut by a power loss: who names the healthy recordings
// that may stand as the reference for a file whose index is missing (see RecordingRecovery.h).

#include "platform/media/Com.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace platform::media {

// Lists healthy recordings, nearest first, that may stand as a damaged file's reference.
using ReferenceFinder = std::function<QStringList(const QString& damagedPath)>;

struct IRecoverySource : IUnknown {
    static constexpr IID kIid{
        0x5B0E7C41, 0x2F6D, 0x4A8E, {0x9C, 0x13, 0x6E, 0x2A, 0xD4, 0x77, 0x01, 0xB9}};

    // Before Load: without a finder (the default) a file without its index is refused.
    virtual HRESULT SetReferenceFinder(ReferenceFinder finder) = 0;
};

}  // namespace platform::media
