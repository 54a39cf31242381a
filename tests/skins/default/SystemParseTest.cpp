// The shipped skins read by the player's own parser: every registered control attached with
// its placements, no picture, slider range or background image dropped on the way.

#include "ControlTables.h"
#include "SkinDocument.h"

#include "player/common/NameKey.h"
#include "player/pack/ImageCache.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"
#include "player/skin/ParseSkin.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkSlider.h"
#include "player/skin/SkTripStrip.h"
#include "player/skin/StyleWords.h"
#include "player/skin/TypeFactory.h"
#include "player/skin/WindowSkin.h"

#include <gtest/gtest.h>

#include <map>

namespace skintest {
namespace {

player::ControlKind KindOf(const std::string& word) {
    static const std::map<std::string, player::ControlKind> kinds{
        {"image", player::ControlKind::Image},     {"text", player::ControlKind::Text},
        {"button", player::ControlKind::Button},   {"slider", player::ControlKind::Slider},
        {"list", player::ControlKind::List},       {"video", player::ControlKind::Video},
        {"map", player::ControlKind::Web},         {"gsensor", player::ControlKind::GSensorGraph},
        {"tripstrip", player::ControlKind::Slider}};
    return kinds.at(word);
}

player::ButtonState StateOf(const std::string& word) {
    return player::ButtonStateFromWord(QString::fromStdString(word));
}

TEST(SystemParse, ThePlayersParserTakesEveryControlStateAndPartOfTheShippedSkins) {
    const player::ImageCache::Scope images;
    player::ResourcePack pack;
    player::AppProfile profile;
    ASSERT_TRUE(pack.OpenPack(QStringLiteral(TEST_PROGRAM_DIR "/VDATA.PACK")));
    ASSERT_TRUE(profile.LoadProfile(&pack, QStringLiteral(TEST_PROGRAM_DIR)));
    ASSERT_TRUE(player::LoadPackImages(&pack, player::ImageCache::Instance()));
    const player::TypeFactory factory = player::TypeFactory::CreateDefault();

    for (const WindowTable& table : WindowTables()) {
        SCOPED_TRACE(table.window);
        const QByteArray* script = profile.GetScript(player::NameKey(table.window));
        ASSERT_NE(script, nullptr);
        const SkinDocument doc = ParseSkinDocument(script->constData());
        player::WindowSkin skin;
        int id = 1000;
        for (const Registration& r : table.controls)
            ASSERT_TRUE(skin.RegisterControl(player::NameKey(r.name), KindOf(r.kind), id++));
        ASSERT_TRUE(
            player::ParseSkin(*script, skin, factory, {profile.FontFace(), profile.FontSize()}));
        EXPECT_EQ(skin.BackgroundImages().size(), doc.backgrounds.size())
            << "a background picture was dropped";

        for (const Registration& r : table.controls) {
            SCOPED_TRACE(r.name);
            player::ControlEntry* entry = skin.FindControl(player::NameKey(r.name));
            ASSERT_TRUE(entry && entry->control) << "not attached";
            std::vector<int> modes;
            for (const auto& [mode, geometry] : entry->control->ModeGeometries())
                modes.push_back(mode);
            EXPECT_EQ(modes, r.modes);
            const Control* c = doc.Find(r.name);
            ASSERT_NE(c, nullptr);
            if (auto* button = dynamic_cast<player::SkButton*>(entry->control->Widget())) {
                for (const PictureRef& p : c->pictures) {
                    const player::SkinImage* image = button->StateImage(StateOf(p.role));
                    EXPECT_TRUE(image && image->Picture()) << p.role;
                }
            } else if (auto* slider = dynamic_cast<player::SkSlider*>(entry->control->Widget())) {
                // Every part the skin names (a progress bar has no thumb).
                for (const PictureRef& p : c->pictures) {
                    const player::SkinImage* image =
                        slider->Part(player::SliderPartFromWord(QString::fromStdString(p.role)));
                    EXPECT_TRUE(image && image->Picture()) << "slider part " << p.role;
                }
                EXPECT_NE(slider->Part(player::SliderPart::BTrack), nullptr);
                EXPECT_EQ(slider->Margins().left, c->marginLeft) << "the track element was refused";
            } else if (auto* strip = dynamic_cast<player::SkTripStrip*>(entry->control->Widget())) {
                for (auto part : {player::TripStripPart::Segment, player::TripStripPart::Current,
                                  player::TripStripPart::Cursor}) {
                    const player::SkinImage* image = strip->Part(part);
                    EXPECT_TRUE(image && image->Picture())
                        << "strip part " << static_cast<int>(part);
                }
            } else if (auto* list = dynamic_cast<player::SkListCtrl*>(entry->control->Widget())) {
                // Four columns, the path column hidden: the rows keep the path as their key.
                const std::map<int32_t, int32_t>& widths = list->ColumnWidths();
                ASSERT_EQ(widths.size(), 4u);
                EXPECT_EQ(widths.at(3), 0);
                EXPECT_TRUE(list->BackgroundImage() && list->BackgroundImage()->Picture());
            }
        }
    }
}

}  // namespace
}  // namespace skintest
