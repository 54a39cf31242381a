#include "player/telemetry/GPSData.h"

#include "player/telemetry/TelemetryNumbers.h"

#include <cstring>
#include <string_view>

namespace player {

namespace {

constexpr size_t kMaxLineChars = 1023;
constexpr int kFieldCount = 10;
constexpr double kKnotsToKmh = 1.852;
constexpr int32_t kHourShift = 9;  // the fix's UTC hour shown as UTC+9

// Cuts a line at commas; an empty text between two commas is a field, the end of the line is not.
class FieldCutter {
public:
    explicit FieldCutter(std::string_view line) : m_rest(line) {
        const size_t first = m_rest.find_first_not_of(',');
        m_rest = first == std::string_view::npos ? std::string_view() : m_rest.substr(first);
        m_more = !m_rest.empty();
    }

    bool Next(std::string_view& field) {
        if (!m_more) {
            return false;
        }
        const size_t comma = m_rest.find(',');
        if (comma == std::string_view::npos) {
            field = m_rest;
            m_more = false;
        } else {
            field = m_rest.substr(0, comma);
            m_rest = m_rest.substr(comma + 1);
        }
        return true;
    }

private:
    std::string_view m_rest;
    bool m_more = false;
};

// Characters 2*index+1 .. 2*index+2 (counted from 1) as a two-digit number; a missing or
// non-digit pair reads as 0, a digit followed by something else as that digit.
int32_t DigitPair(std::string_view field, size_t index) {
    const size_t pos = index * 2;
    if (pos >= field.size() || field[pos] < '0' || field[pos] > '9') {
        return 0;
    }
    const int32_t high = field[pos] - '0';
    if (pos + 1 >= field.size() || field[pos + 1] < '0' || field[pos + 1] > '9') {
        return high;
    }
    return high * 10 + (field[pos + 1] - '0');
}

}  // namespace

bool CGPSData::Parse(const char* line, int32_t timeMs) {
    *this = CGPSData();
    time = timeMs;
    if (line == nullptr) {
        return false;
    }
    FieldCutter cutter(std::string_view(line, strnlen(line, kMaxLineChars)));
    std::string_view field;
    for (int index = 0; index < kFieldCount; ++index) {
        if (!cutter.Next(field)) {
            return false;
        }
        switch (index) {
            case 1:
                hour = DigitPair(field, 0) + kHourShift;
                minute = DigitPair(field, 1);
                second = DigitPair(field, 2);
                break;
            case 2:
                valid = !field.empty() && field[0] == 'A' ? 1 : 0;
                break;
            case 3:
                latitude = telemetry::ReadDecimal(field);
                break;
            case 4:
                if (field.empty() || field[0] != 'N') {
                    latitude = -latitude;
                }
                break;
            case 5:
                longitude = telemetry::ReadDecimal(field);
                break;
            case 6:
                if (field.empty() || field[0] != 'E') {
                    longitude = -longitude;
                }
                break;
            case 7:
                speed = static_cast<float>(telemetry::ReadDecimal(field) * kKnotsToKmh);
                break;
            case 8:
                course = static_cast<float>(telemetry::ReadDecimal(field));
                break;
            case 9:
                day = DigitPair(field, 0);
                month = DigitPair(field, 1);
                year = DigitPair(field, 2);
                break;
            default:
                break;  // the record tag
        }
    }
    return true;
}

}  // namespace player
