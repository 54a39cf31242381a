#pragma once
// Number reading shared by the telemetry line parsers: C atof rules, independent of the locale.

#include <cstdint>
#include <string_view>

namespace player::telemetry {

// Leading blanks, an optional sign, then the longest decimal prefix; 0 when there is none or
// it lies beyond the range of a double.
double ReadDecimal(std::string_view text);

// A value times `scale`, truncated toward zero and kept inside int32 (NaN gives 0).
int32_t TruncateScaled(double value, double scale);

}  // namespace player::telemetry
