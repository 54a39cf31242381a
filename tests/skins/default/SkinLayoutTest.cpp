// The default skin's placements: every control inside its window, no two controls on top of
// each other (except the alternatives the program switches between), and a maximised main
// window that leaves the video area to the video on any common screen.

#include "ControlTables.h"
#include "SkinDocument.h"

#include "player/common/NameKey.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace skintest {
namespace {

// Controls that share one place on purpose: only one of each pair is shown at a time.
const std::set<std::pair<std::string, std::string>> kAlternatives{
    {"main.video.rear", "main.web.map"},       // the second area shows one of them
    {"main.button.rinf", "main.button.rinr"},  // slot A holds whichever is not in the main area
    {"main.video.front", "main.video.rear"},   // maximised: one camera at a time
};

// Bars of the maximised main window, outside the video rectangle the program computes.
constexpr int kTopBar = 49;
constexpr int kBottomBar = 95;

struct Placed {
    std::string id, type;
    Box box;
};

bool Overlap(const Box& a, const Box& b) {
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

bool Alternatives(const std::string& a, const std::string& b) {
    return kAlternatives.count({a, b}) || kAlternatives.count({b, a});
}

std::vector<Placed> PlaceAll(const SkinDocument& doc, int mode, int width, int height) {
    std::vector<Placed> placed;
    for (const Control& c : doc.controls)
        for (const Placement& p : c.placements)
            if (p.mode == mode)
                placed.push_back({c.id, c.type, Resolve(p.box, p.geobase, width, height)});
    return placed;
}

void ExpectInsideAndApart(const std::vector<Placed>& placed, int width, int height) {
    for (size_t i = 0; i < placed.size(); ++i) {
        const Placed& a = placed[i];
        EXPECT_GT(a.box.w, 0) << a.id;
        EXPECT_GT(a.box.h, 0) << a.id;
        EXPECT_TRUE(a.box.x >= 0 && a.box.y >= 0 && a.box.Right() <= width &&
                    a.box.Bottom() <= height)
            << a.id << " at " << a.box.x << "," << a.box.y << " " << a.box.w << "x" << a.box.h
            << " leaves " << width << "x" << height;
        for (size_t j = i + 1; j < placed.size(); ++j)
            if (!Alternatives(a.id, placed[j].id)) {
                EXPECT_FALSE(Overlap(a.box, placed[j].box)) << a.id << " overlaps " << placed[j].id;
            }
    }
}

class SkinLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        player::ResourcePack pack;
        player::AppProfile profile;
        if (!pack.OpenPack(QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK")) ||
            !profile.LoadProfile(&pack, QStringLiteral(TEST_PROGRAM_DIR)))
            return;
        for (const WindowTable& t : WindowTables()) {
            const QByteArray* script = profile.GetScript(player::NameKey(t.window));
            s_documents[t.window] = ParseSkinDocument(script ? script->constData() : nullptr);
        }
    }
    static const SkinDocument& Doc(const char* window) { return s_documents[window]; }
    static inline std::map<std::string, SkinDocument> s_documents;
};

TEST_F(SkinLayout, EveryWindowModeKeepsItsControlsInsideAndApart) {
    for (const WindowTable& t : WindowTables()) {
        const SkinDocument& doc = Doc(t.window);
        ASSERT_TRUE(doc.ok) << t.window;
        const std::string window = t.window;
        const int modes = window == "NOTIFY" || window == "CLIP" ? 2 : 1;
        for (int mode = 0; mode < modes; ++mode) {
            SCOPED_TRACE(std::string(t.window) + " mode " + std::to_string(mode));
            ExpectInsideAndApart(PlaceAll(doc, mode, doc.window.w, doc.window.h), doc.window.w,
                                 doc.window.h);
        }
    }
}

TEST_F(SkinLayout, MaximisedMainWindowLeavesTheVideoAreaToTheVideoOnCommonScreens) {
    const SkinDocument& doc = Doc("MAIN");
    ASSERT_TRUE(doc.ok);
    const std::pair<int, int> screens[] = {
        {1366, 768}, {1440, 900}, {1600, 900}, {1920, 1080}, {2560, 1440}};
    for (const auto& [w, h] : screens) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const std::vector<Placed> placed = PlaceAll(doc, 1, w, h);
        ExpectInsideAndApart(placed, w, h);
        for (const Placed& p : placed) {
            if (p.type == "video") {
                EXPECT_GE(p.box.y, kTopBar) << p.id;
                EXPECT_LE(p.box.Bottom(), h - kBottomBar) << p.id;
            } else {
                EXPECT_TRUE(p.box.Bottom() <= kTopBar || p.box.y >= h - kBottomBar)
                    << p.id << " reaches into the video area";
            }
        }
    }
}

TEST_F(SkinLayout, SliderThumbsSitOnTheTrackEnds) {
    // The thumb moves right by the filled length, so at the minimum it must be centred on the
    // track's first pixel, and the track must fit in every placement.
    for (const WindowTable& t : WindowTables()) {
        for (const Control& c : Doc(t.window).controls) {
            if (c.type != "slider")
                continue;
            for (const PictureRef& p : c.pictures) {
                if (p.role == "thumb") {
                    EXPECT_EQ(p.dest.x + p.dest.w / 2, c.marginLeft) << c.id;
                }
            }
            for (const Placement& m : c.placements) {
                if (m.box.w != 65536) {
                    EXPECT_GT(m.box.w - c.marginLeft - c.marginRight, 0) << c.id;
                }
            }
        }
    }
}

}  // namespace
}  // namespace skintest
