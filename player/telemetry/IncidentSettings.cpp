#include "player/telemetry/IncidentSettings.h"

#include "platform/system/SettingsStore.h"
#include "player/telemetry/Log.h"

namespace player {

namespace {

constexpr uint32_t kMinMilliG = 50;
constexpr uint32_t kMaxMilliG = 10000;  // the 'M' lines' range
constexpr uint32_t kMaxMs = 60000;
constexpr double kMilliGPerG = 1000.0;

std::optional<uint32_t> ReadValue(const char* name, uint32_t low, uint32_t high) {
    const std::optional<uint32_t> value = platform::ReadRegistryDword(
        platform::RegistryScope::User, QLatin1String(kIncidentSettingsKey), QLatin1String(name));
    if (value && (*value < low || *value > high)) {
        qCInfo(lcTelemetry) << "incident setting" << name << *value << "is out of range" << low
                            << "to" << high << "; the default stays";
        return std::nullopt;
    }
    return value;
}

}  // namespace

IncidentThresholds ReadIncidentThresholds() {
    IncidentThresholds t;
    const struct {
        const char* name;
        double& value;
    } thresholds[] = {{"BrakingMilliG", t.brakingG},
                      {"AccelerationMilliG", t.accelerationG},
                      {"CorneringMilliG", t.corneringG},
                      {"ImpactMilliG", t.impactG}};
    for (const auto& entry : thresholds) {
        if (const auto milliG = ReadValue(entry.name, kMinMilliG, kMaxMilliG)) {
            entry.value = *milliG / kMilliGPerG;
        }
    }
    const struct {
        const char* name;
        int32_t& value;
    } times[] = {{"BrakingHoldMs", t.brakingHoldMs},
                 {"AccelerationHoldMs", t.accelerationHoldMs},
                 {"CorneringHoldMs", t.corneringHoldMs},
                 {"MergeMs", t.mergeMs}};
    for (const auto& entry : times) {
        if (const auto ms = ReadValue(entry.name, 0, kMaxMs)) {
            entry.value = static_cast<int32_t>(*ms);
        }
    }
    return t;
}

}  // namespace player
