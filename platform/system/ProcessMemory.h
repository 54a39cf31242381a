#pragma once
// The running process's memory use, for benchmarks and diagnostics. Any thread.

#include <cstdint>
#include <optional>

namespace platform {

// Resident set size in bytes; none when the system does not say.
std::optional<int64_t> ResidentSetBytes();

// For a long-running program whose threads come and go with every file it opens: the memory
// allocator keeps fewer per-thread pools and hands large blocks (pictures, buffers) straight
// back to the system when they are freed, so memory freed by one file is not left scattered
// over pools that the next file's threads do not reuse. Call first thing in main.
void ReturnFreedMemoryPromptly();

}  // namespace platform
