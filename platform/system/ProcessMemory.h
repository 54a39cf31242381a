#pragma once
// The running process's memory use, for benchmarks and diagnostics. Any thread.

#include <cstdint>
#include <optional>

namespace platform {

// Resident set size in bytes; none when the system does not say.
std::optional<int64_t> ResidentSetBytes();

}  // namespace platform
