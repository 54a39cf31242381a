#pragma once
// The registry stand-in: named DWORD values under a key path, in a per-user or a machine scope.
// Per-user: $XDG_CONFIG_HOME/RoadPlayer/registry.ini; machine: /etc/xdg/RoadPlayer/registry.ini.
// ROADPLAYER_REGISTRY_DIR, when set, holds both files (user.ini, machine.ini) so tests and
// users can run with a registry of their own. Any thread may call; QSettings serialises.

#include <QString>

#include <cstdint>
#include <optional>

namespace platform {

enum class RegistryScope { User, Machine };

// Key paths use either separator ("Software\\GNU\\ffdshow"); they are compared case-sensitively.
std::optional<uint32_t> ReadRegistryDword(RegistryScope scope, const QString& keyPath,
                                          const QString& valueName);

// Returns false when the scope cannot be written (a machine scope without rights, a full disk);
// callers that expect this for the machine scope ignore the result.
bool WriteRegistryDword(RegistryScope scope, const QString& keyPath, const QString& valueName,
                        uint32_t value);

// A value that may be negative (minutes of a time zone), kept as its decimal text so the file
// stays readable; a DWORD written as its two's complement reads back as the same number.
std::optional<int32_t> ReadRegistryInt(RegistryScope scope, const QString& keyPath,
                                       const QString& valueName);
bool WriteRegistryInt(RegistryScope scope, const QString& keyPath, const QString& valueName,
                      int32_t value);

// Creates the key (group) without values; true when it exists afterwards.
bool CreateRegistryKey(RegistryScope scope, const QString& keyPath);

}  // namespace platform
