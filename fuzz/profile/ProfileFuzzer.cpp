// LoadProfile on arbitrary XML: the input becomes "Application.xml" of a pack that also holds
// a few skin entries, so the script lookups run too. Must never crash.

#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"

#include <QBuffer>
#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

QByteArray MakePack(const QByteArray& document) {
    const std::vector<std::pair<QByteArray, QByteArray>> texts = {
        {"Application.xml", document}, {"main.xml", "<main/>"}, {"about.xml", "<about/>"}};
    QByteArray bytes("VDATA", 5);
    bytes.append(11, '\0');
    char count[4];
    qToLittleEndian<int32_t>(static_cast<int32_t>(texts.size()), count);
    bytes.append(count, 4);
    qToLittleEndian<int32_t>(1, count);
    bytes.append(count, 4);
    auto appendDir = [&bytes, &count](const QByteArray& name, qsizetype size) {
        QByteArray dir = name;
        dir.append(260 - name.size(), '\0');
        qToLittleEndian<int32_t>(static_cast<int32_t>(size), count);
        dir.append(count, 4);
        bytes.append(dir);
    };
    for (const auto& [name, data] : texts) {
        appendDir(name, data.size());
    }
    appendDir("a.png", 1);
    for (const auto& text : texts) {
        bytes.append(text.second);
    }
    bytes.append('x');
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    QByteArray bytes =
        MakePack(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    player::ResourcePack pack;
    if (!pack.OpenPack(buffer)) {
        return 0;
    }
    player::AppProfile profile;
    profile.LoadProfile(&pack, QStringLiteral("/opt/roadplayer"));
    pack.Close();  // the profile must not keep pointers into the pack
    size_t touched = 0;
    for (const char* window : {player::kWindowMain, player::kWindowAbout}) {
        if (const QByteArray* script = profile.GetScript(player::NameKey(window))) {
            touched += static_cast<size_t>(script->size());
        }
    }
    if (const player::ProfileMessage* message =
            profile.GetMessage(player::NameKey(player::kMsgWantQuit))) {
        touched += static_cast<size_t>(message->title.size());
    }
    for (int code = 0; code <= player::kRecordingCategoryCount; ++code) {
        touched += static_cast<size_t>(
            profile.GetCategoryFolder(static_cast<player::RecordingCategory>(code)).size());
    }
    touched += profile.IsKnownExtension(QStringLiteral("mp4")) ? 1 : 0;
    return touched == 0 ? 0 : 0;
}
