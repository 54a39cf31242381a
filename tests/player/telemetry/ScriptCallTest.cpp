#include "player/telemetry/ScriptCall.h"

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(ScriptCall, SplitsTheCallTextAsThePlayerWordsIt) {
    const struct {
        const char* text;
        const char* function;
        QStringList arguments;
    } cases[] = {
        {"javascript:DrawCurrent('1.5', '2.5')", "DrawCurrent", {"1.5", "2.5"}},
        {"Foo ( a b )", "Foo", {"a", "b"}},
        {"  javascript:Bar()", "Bar", {}},
        {"Baz", "Baz", {}},
        {"x javascript:F(\"q\";;r\t)s", "F", {"q", "r", "s"}},
        {"G('a\\', '+b'", "G", {"a\\", "+b"}},
        {"H(\xc3\xa9t\xc3\xa9 \n)", "H", {QString::fromUtf8("\xc3\xa9t\xc3\xa9"), "\n"}},
    };
    for (const auto& c : cases) {
        const std::optional<ScriptCall> call = ParseScriptCall(QString::fromUtf8(c.text));
        ASSERT_TRUE(call) << c.text;
        EXPECT_EQ(call->function, QString::fromUtf8(c.function)) << c.text;
        EXPECT_EQ(call->arguments, c.arguments) << c.text;
    }
    for (const char* none : {"", "javascript:", "(a, b)", " javascript: ( 1 )"}) {
        EXPECT_FALSE(ParseScriptCall(QString::fromUtf8(none))) << none;
    }
}

TEST(ScriptCall, StringLiteralsEscapeEverythingThatCouldEndThem) {
    EXPECT_EQ(ScriptStringLiteral(QStringLiteral("1.5")), QStringLiteral("\"1.5\""));
    EXPECT_EQ(ScriptStringLiteral(QStringLiteral("a\"b\\c\n</script>")),
              QStringLiteral("\"a\\\"b\\\\c\\u000a</script>\""));
    EXPECT_EQ(ScriptStringLiteral(QString(QChar(0x2028)) + QChar(0xE9)),
              QStringLiteral("\"\\u2028\\u00e9\""));
}

}  // namespace
}  // namespace player
