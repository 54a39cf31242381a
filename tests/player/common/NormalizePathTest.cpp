#include "player/common/NormalizePath.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(NormalizePathTest, Cases) {
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"", ""},
        {"a\\b/c", "a/b/c"},
        {"/usr//lib\\roadplayer/", "/usr/lib/roadplayer"},
        {"C:\\Apps\\Player\\skin\\..\\img/", "C:/Apps/Player/img"},
        {"/opt/player/skin\\..\\img/", "/opt/player/img"},
        {"./a/./b/.", "a/b"},
        {"a/..", ""},
        {"..\\a", "a"},
        {"a/b/../../c", "c"},
        {"a/../b/../c", "c"},
        {"\\\\server\\share\\", "server/share"},  // only "/" marks an absolute path here
        {"/", "/"},
        {"/..", "/"},
        {"img/\xED\x95\x9C.png", "img/\xED\x95\x9C.png"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormalizePath(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected))
            << "input: " << c.input;
    }
}

TEST(NormalizePathTest, ExecutableFolderHoldsThisProgram) {
    const QString folder = ExecutableFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(folder.startsWith(u'/'));
    EXPECT_FALSE(folder.endsWith(u'/'));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/player_common_test")));
}

}  // namespace
}  // namespace player
