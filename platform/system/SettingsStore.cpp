#include "SettingsStore.h"

#include "platform/system/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cstdint>

namespace platform {
namespace {

QString StoreFile(RegistryScope scope) {
    const QString dir = qEnvironmentVariable("ROADPLAYER_REGISTRY_DIR");
    if (!dir.isEmpty()) {
        return dir + (scope == RegistryScope::User ? "/user.ini" : "/machine.ini");
    }
    if (scope == RegistryScope::User) {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               "/RoadPlayer/registry.ini";
    }
    return QStringLiteral("/etc/xdg/RoadPlayer/registry.ini");
}

// QSettings groups use "/"; registry paths use "\".
QString GroupOf(const QString& keyPath) {
    QString group = keyPath;
    group.replace('\\', '/');
    return group;
}

bool WriteValue(RegistryScope scope, const QString& keyPath, const QString& valueName,
                const QVariant& value) {
    const QString file = StoreFile(scope);
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        qCInfo(lcSystem) << "no folder for the settings store" << file;
        return false;
    }
    QSettings store(file, QSettings::IniFormat);
    store.setValue(GroupOf(keyPath) + "/" + valueName, value);
    store.sync();
    if (store.status() != QSettings::NoError) {
        // The machine scope is often read-only for a user; callers may go on without it.
        qCInfo(lcSystem) << "settings store" << file << "does not take" << keyPath << valueName;
        return false;
    }
    return true;
}

}  // namespace

std::optional<uint32_t> ReadRegistryDword(RegistryScope scope, const QString& keyPath,
                                          const QString& valueName) {
    QSettings store(StoreFile(scope), QSettings::IniFormat);
    const QString key = GroupOf(keyPath) + "/" + valueName;
    if (!store.contains(key)) {
        return std::nullopt;
    }
    bool ok = false;
    const uint32_t value = store.value(key).toUInt(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

bool WriteRegistryDword(RegistryScope scope, const QString& keyPath, const QString& valueName,
                        uint32_t value) {
    return WriteValue(scope, keyPath, valueName, value);
}

std::optional<int32_t> ReadRegistryInt(RegistryScope scope, const QString& keyPath,
                                       const QString& valueName) {
    QSettings store(StoreFile(scope), QSettings::IniFormat);
    const QString key = GroupOf(keyPath) + "/" + valueName;
    if (!store.contains(key)) {
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = store.value(key).toLongLong(&ok);
    if (!ok || value < INT32_MIN || value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

bool WriteRegistryInt(RegistryScope scope, const QString& keyPath, const QString& valueName,
                      int32_t value) {
    return WriteValue(scope, keyPath, valueName, value);
}

bool CreateRegistryKey(RegistryScope scope, const QString& keyPath) {
    const QString file = StoreFile(scope);
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        return false;
    }
    // INI files keep no empty groups, so a key exists by a marker value of its own.
    QSettings store(file, QSettings::IniFormat);
    store.setValue(GroupOf(keyPath) + "/.key", 1);
    store.sync();
    return store.status() == QSettings::NoError;
}

}  // namespace platform
