#pragma once
// Shared by the catalogue's tests: one QApplication for the program, the default skin's
// profile (optionally edited) loaded from a pack made in memory, and virtual drives.

#include "platform/system/Drives.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"
#include "tests/player/pack/PackBytes.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <utility>
#include <vector>

// Failures show paths as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace cataloguetest {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "catalogue-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics go first at exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

inline QByteArray DefaultPackText(const char* name) {
    QFile file(QStringLiteral(TEST_SOURCE_DIR "/skins/default/pack/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The default profile with each (from, to) replacement made in its document.
inline std::unique_ptr<player::AppProfile> LoadProfile(
    const std::vector<std::pair<QByteArray, QByteArray>>& edits = {}) {
    QByteArray document = DefaultPackText("Application.xml");
    for (const auto& [from, to] : edits) {
        EXPECT_TRUE(document.contains(from)) << from.constData();
        document.replace(from, to);
    }
    QByteArray bytes = packtest::MakePackBytes(
        {{"Application.xml", document}, {"seldrive.xml", DefaultPackText("seldrive.xml")}},
        {{"img/frame_dialog.png", packtest::EncodeImage(Qt::darkGray)}});
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    player::ResourcePack pack;
    EXPECT_TRUE(pack.OpenPack(buffer));
    auto profile = std::make_unique<player::AppProfile>();
    EXPECT_TRUE(profile->LoadProfile(&pack, QStringLiteral("/opt/roadplayer")))
        << profile->FailureReason().toStdString();
    return profile;
}

// Sets ROADPLAYER_VIRTUAL_DRIVES for the object's lifetime.
class VirtualDrives {
public:
    explicit VirtualDrives(const QString& value) { Set(value); }
    ~VirtualDrives() { qunsetenv(platform::kVirtualDrivesVariable); }
    VirtualDrives(const VirtualDrives&) = delete;
    VirtualDrives& operator=(const VirtualDrives&) = delete;
    void Set(const QString& value) { qputenv(platform::kVirtualDrivesVariable, value.toUtf8()); }
};

}  // namespace cataloguetest
