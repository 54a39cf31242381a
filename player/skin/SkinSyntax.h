#pragma once
// The value syntax of skin documents: integers read as "%d" (int) or atoi (int0), colours as
// three or four numbers, word lists. Attribute values arrive as UTF-8 from the XML parser.
// Any thread.

#include <QList>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace player {

inline constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF;

// Optional blanks, optional sign, decimal digits; no value when there are no digits (or no
// text). Values beyond 32 bits saturate.
std::optional<int32_t> ParseSkinInt(const char* text);

// atoi: as ParseSkinInt, but no digits (or no text) gives 0.
int32_t ParseSkinInt0(const char* text);

// Three numbers: red, green, blue, alpha 255; four: alpha, red, green, blue; each modulo 256;
// separated by any of "|", CR, LF, "," and space. Any other count gives opaque white.
uint32_t ParseSkinColour(const char* text);

// Splits at "|", CR, LF, "," and space; empty pieces are dropped.
QList<QStringView> SplitSkinWords(QStringView text);

}  // namespace player
