#include "player/telemetry/TelemetryNumbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace player::telemetry {

double ReadDecimal(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // from_chars takes no '+' and no second sign, which atof would reject as well.
    if (pos >= text.size() || text[pos] == '+' || text[pos] == '-') {
        return 0.0;
    }
    double value = 0.0;
    const char* first = text.data() + pos;
    const auto result = std::from_chars(first, text.data() + text.size(), value);
    if (result.ec != std::errc()) {
        return 0.0;  // no digits, or beyond the range of a double
    }
    return negative ? -value : value;
}

int32_t TruncateScaled(double value, double scale) {
    const double scaled = std::trunc(value * scale);
    if (std::isnan(scaled)) {
        return 0;
    }
    if (scaled >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (scaled <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(scaled);
}

}  // namespace player::telemetry
