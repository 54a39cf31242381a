#include "player/skin/SkinSyntax.h"

#include <array>
#include <cstring>

namespace player {

namespace {

constexpr char kSeparators[] = "|\r\n, ";

bool IsSeparator(char16_t c) {
    return c == u'|' || c == u'\r' || c == u'\n' || c == u',' || c == u' ';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a signed decimal number from text[0..length); no value without digits.
std::optional<int32_t> ReadDecimal(const char* text, size_t length) {
    size_t i = 0;
    while (i < length && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= length || text[i] < '0' || text[i] > '9') {
        return std::nullopt;
    }
    int64_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value <= INT64_C(1) << 40) {  // beyond this only saturation matters
            value = value * 10 + (text[i] - '0');
        }
    }
    value = negative ? -value : value;
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

std::optional<int32_t> ParseSkinInt(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    return ReadDecimal(text, std::strlen(text));
}

int32_t ParseSkinInt0(const char* text) {
    return ParseSkinInt(text).value_or(0);
}

uint32_t ParseSkinColour(const char* text) {
    if (text == nullptr) {
        return kOpaqueWhite;
    }
    std::array<uint32_t, 4> numbers{};
    size_t count = 0;
    const size_t length = std::strlen(text);
    size_t start = 0;
    while (start < length) {
        const size_t end = start + std::strcspn(text + start, kSeparators);
        if (end > start) {
            if (count == numbers.size()) {
                return kOpaqueWhite;
            }
            numbers[count++] =
                static_cast<uint32_t>(ReadDecimal(text + start, end - start).value_or(0)) & 0xFFu;
        }
        start = end + 1;
    }
    if (count == 3) {
        return 0xFF000000u | numbers[0] << 16 | numbers[1] << 8 | numbers[2];
    }
    if (count == 4) {
        return numbers[0] << 24 | numbers[1] << 16 | numbers[2] << 8 | numbers[3];
    }
    return kOpaqueWhite;
}

QList<QStringView> SplitSkinWords(QStringView text) {
    QList<QStringView> words;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || IsSeparator(text[i].unicode())) {
            if (i > start) {
                words.append(text.mid(start, i - start));
            }
            start = i + 1;
        }
    }
    return words;
}

}  // namespace player
