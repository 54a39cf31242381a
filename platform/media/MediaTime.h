#pragma once
// Media time, defined once: REFERENCE_TIME counts 100 ns units (the unit of the graph's
// interfaces) and Duration100ns is that unit as a std::chrono duration. Every conversion to and
// from milliseconds and seconds goes through the functions here.

#include <chrono>
#include <cstdint>
#include <ratio>

namespace platform::media {

using REFERENCE_TIME = int64_t;  // 100 ns units
using Duration100ns = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;

inline constexpr REFERENCE_TIME kUnitsPerSecond = Duration100ns::period::den;

// A chrono duration in 100 ns units, rounded toward zero.
template <typename Rep, typename Period>
constexpr REFERENCE_TIME Units100ns(std::chrono::duration<Rep, Period> duration) {
    return std::chrono::duration_cast<Duration100ns>(duration).count();
}

// Whole milliseconds, rounded toward zero.
constexpr int64_t ToMilliseconds(REFERENCE_TIME time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Duration100ns(time)).count();
}
constexpr REFERENCE_TIME FromMilliseconds(int64_t ms) {
    return Units100ns(std::chrono::milliseconds(ms));
}
constexpr double ToSeconds(REFERENCE_TIME time) {
    return std::chrono::duration<double>(Duration100ns(time)).count();
}
// Rounded toward zero.
constexpr REFERENCE_TIME FromSeconds(double seconds) {
    return Units100ns(std::chrono::duration<double>(seconds));
}

}  // namespace platform::media
