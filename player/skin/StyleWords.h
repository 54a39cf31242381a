#pragma once
// The style words of skin documents and their flag values: anchor words (`geobase`), text
// format words (`format`), draw modes, button states and behaviours, slider parts. Words are
// compared exactly (case-sensitive); unknown words add nothing. Any thread.

#include <QStringView>

#include <cstdint>

namespace player {

// Anchor flags.
inline constexpr uint32_t kAnchorLeft = 0x1;
inline constexpr uint32_t kAnchorCenter = 0x2;
inline constexpr uint32_t kAnchorRight = 0x4;
inline constexpr uint32_t kAnchorTop = 0x10;
inline constexpr uint32_t kAnchorMiddle = 0x20;
inline constexpr uint32_t kAnchorBottom = 0x40;
inline constexpr uint32_t kAnchorPercent = 0x8000;  // these three replace the value so far
inline constexpr uint32_t kAnchorWRatio = 0x10000;
inline constexpr uint32_t kAnchorHRatio = 0x20000;
inline constexpr uint32_t kAnchorDefault = kAnchorLeft | kAnchorTop;

// Text format flags.
inline constexpr uint32_t kFormatWordBreak = 0x1;
inline constexpr uint32_t kFormatWordEllipsis = 0x2;
inline constexpr uint32_t kFormatLeft = 0x4;
inline constexpr uint32_t kFormatCenter = 0x8;
inline constexpr uint32_t kFormatRight = 0x10;
inline constexpr uint32_t kFormatTop = 0x20;
inline constexpr uint32_t kFormatVCenter = 0x40;
inline constexpr uint32_t kFormatBottom = 0x80;
inline constexpr uint32_t kFormatBold = 0x100;
inline constexpr uint32_t kFormatItalic = 0x200;
inline constexpr uint32_t kFormatUnderline = 0x400;
inline constexpr uint32_t kFormatStrikeOut = 0x800;

enum class DrawMode : int32_t { Stretch = 0, Pattern = 1, ButtonFace = 2 };

enum class ButtonState : int32_t {
    Normal = 0,
    Checked = 1,
    Pushed = 2,
    Disabled = 3,
    Hover = 4,
    Pushed2 = 5,
    Hover2 = 6,
    None = 7,
};
inline constexpr int kButtonStateCount = 7;

enum class ButtonBehaviour : int32_t { Push = 0, Check = 1, Other = 3 };

enum class SliderPart : int32_t {
    Tics = 0,
    BTrack = 1,
    Track = 2,
    Thumb = 3,
    AThumb = 4,
    None = 5
};
inline constexpr int kSliderPartCount = 5;

// The anchor flags of one `geobase` attribute, normalised: exactly one horizontal and one
// vertical flag, unless the value is a lone percent / wratio / hratio flag.
uint32_t ParseAnchorWords(QStringView words);
uint32_t NormaliseAnchorFlags(uint32_t flags);

uint32_t ParseFormatWords(QStringView words);

DrawMode DrawModeFromWord(QStringView word);                // unknown: Stretch
ButtonState ButtonStateFromWord(QStringView word);          // unknown: None
ButtonBehaviour ButtonBehaviourFromWord(QStringView word);  // absent is Push; unknown: Other
SliderPart SliderPartFromWord(QStringView word);            // unknown: None

}  // namespace player
