#include "player/skin/ParseSkin.h"

#include "player/pack/ImageCache.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkGSensorGraph.h"
#include "player/skin/SkImage.h"
#include "player/skin/SkListCtrl.h"
#include "player/skin/SkSlider.h"
#include "player/skin/SkText.h"
#include "player/skin/TypeFactory.h"
#include "player/skin/WindowSkin.h"

#include <gtest/gtest.h>

namespace player {
namespace {

const SkinFontDefaults kFonts{QStringLiteral("Arial"), 9};

class ParseSkinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QImage picture(8, 8, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        for (const char* name : {"pic/a.png", "pic/b.png", "pic/c.png"}) {
            ImageCache::Instance().InsertImage(NameKey(name), picture);
        }
    }

    // Registers each name with the kind its prefix says, then parses.
    bool Parse(const char* document, std::initializer_list<const char*> names = {}) {
        for (const char* name : names) {
            m_skin.RegisterControl(NameKey(name), ControlKind::Image, 1000);
        }
        return ParseSkin(QByteArray(document), m_skin, TypeFactory::CreateDefault(), kFonts);
    }

    template <typename Widget>
    Widget* Find(const char* name) {
        return dynamic_cast<Widget*>(m_skin.FindControlWindow(NameKey(name)));
    }

    WindowSkin m_skin;
};

TEST_F(ParseSkinTest, WindowSettings) {
    ASSERT_TRUE(Parse(R"(<skin><property>
        <title>Main</title><geometry x="-1" y="-1" w="400" h="300"/>
        <bgimgs>
          <bgimg mode="0"><image color="10,20,30">pic/a.png</image><image>missing.png</image></bgimg>
          <bgimg mode="-1"><image>pic/b.png</image></bgimg>
          <bgimg mode="1"><image/></bgimg>
        </bgimgs></property><controls/></skin>)"));
    EXPECT_EQ(m_skin.Title(), QStringLiteral("Main"));
    EXPECT_EQ(m_skin.WindowRect(), (SkinRect{-1, -1, 400, 300}));
    const auto& backgrounds = m_skin.BackgroundImages();
    ASSERT_EQ(backgrounds.size(), 2u) << "an image that cannot be loaded and a negative mode drop";
    EXPECT_EQ(backgrounds[0].mode, 0);
    EXPECT_EQ(backgrounds[0].image->Desc().colour, 0xFF0A141Eu);
    EXPECT_NE(backgrounds[0].image->Picture(), nullptr);
    EXPECT_EQ(backgrounds[1].mode, 1);
    EXPECT_EQ(backgrounds[1].image->Picture(), nullptr) << "no name: a colour fill";
}

TEST_F(ParseSkinTest, GeometryWithoutSizeAndRootSettings) {
    ASSERT_TRUE(Parse(R"(<skin><title>Root</title><geometry w="10" h="20"/>
        <property><title></title><geometry x="5" y="5" w="0" h="300"/></property>
        <controls/></skin>)"));
    EXPECT_EQ(m_skin.Title(), QStringLiteral("Root")) << "an empty title is no title";
    EXPECT_EQ(m_skin.WindowRect(), (SkinRect{0, 0, 10, 20})) << "w 0 leaves the rectangle";
}

TEST_F(ParseSkinTest, MissingPartsFailTheParse) {
    struct Case {
        const char* document;
        const char* title;  // the root's title is applied before the check
    } cases[] = {
        {"", "VESTRA Application"},
        {"<skin><title>T</title><controls/></skin>", "T"},
        {"<skin><title>T</title><property><title>P</title></property></skin>", "T"},
        {"<skin><property><title>P</title></property><controls>", "VESTRA Application"},
    };
    for (const Case& c : cases) {
        WindowSkin skin;
        EXPECT_FALSE(ParseSkin(QByteArray(c.document), skin, TypeFactory::CreateDefault(), kFonts))
            << c.document;
        EXPECT_EQ(skin.Title(), QString::fromUtf8(c.title)) << c.document;
    }
}

TEST_F(ParseSkinTest, ControlsNeedAKnownTypeAnIdAndAMode) {
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <a type="image" id="w.ok"><mode>0</mode></a>
        <b type="picture" id="w.badtype"><mode>0</mode></b>
        <c type="image"><mode>0</mode></c>
        <d type="image" id="w.nomode"/>
        <e type="image" id="w.unregistered"><mode>0</mode></e>
        <f type="image" id=""><mode>0</mode></f>
        <g type="text" id="w.anyname"><mode>0</mode></g>
      </controls></skin>)",
                      {"w.ok", "w.badtype", "w.nomode", "w.anyname"}));
    EXPECT_NE(Find<SkImage>("w.ok"), nullptr);
    EXPECT_EQ(m_skin.FindControlWindow(NameKey("w.badtype")), nullptr);
    EXPECT_EQ(m_skin.FindControlWindow(NameKey("w.nomode")), nullptr);
    EXPECT_NE(Find<SkText>("w.anyname"), nullptr) << "the element name does not matter";
    EXPECT_EQ(m_skin.ControlCount(), 4) << "unregistered names never enter the table";
}

TEST_F(ParseSkinTest, ModeGeometry) {
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <c type="video" id="w.v">
          <mode x="1" y="2" w="3" h="4">0</mode>
          <mode geobase="right bottom" x="9">1</mode>
          <mode x="5">1</mode>
          <mode>-2</mode>
          <mode x="7"></mode>
        </c></controls></skin>)",
                      {"w.v"}));
    const SkContainer* control = m_skin.FindControl(NameKey("w.v"))->control.get();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->ModeGeometries().size(), 2u) << "a negative mode is ignored";
    const ModeGeometry* mode0 = control->ModeGeometryOf(0);
    EXPECT_EQ(mode0->rect, (SkinRect{7, 0, 0, 0})) << "empty mode text is 0 and replaces";
    EXPECT_EQ(mode0->anchorFlags, 0u) << "no geobase on a mode is 0";
    const ModeGeometry* mode1 = control->ModeGeometryOf(1);
    EXPECT_EQ(mode1->rect.x, 5);
    EXPECT_EQ(mode1->anchorFlags, 0u) << "the later mode replaces the whole entry";
    EXPECT_EQ(control->DialogItemId(), 1000);
}

TEST_F(ParseSkinTest, ButtonSkinsStopAtTheFirstUnknownType) {
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <b type="button" id="w.b" mode="check"><mode>0</mode>
          <text font="Tahoma" size="12" format="center|bold" color="1,2,3">Play</text>
          <text>Second</text>
          <skins>
            <skin type="normal" drawmode="buttonface" sx="1" sw="4" tpcolor="255,0,255">pic/a.png</skin>
            <skin type="hover">pic/b.png</skin>
            <skin type="pushed"></skin>
            <skin type="shadow">pic/a.png</skin>
            <skin type="disabled">pic/c.png</skin>
          </skins></b>
        <b type="Button" id="w.caps" mode="toggle"><mode>0</mode><text>x</text>
          <skins><skin type="normal">pic/a.png</skin></skins></b>
      </controls></skin>)",
                      {"w.b", "w.caps"}));
    SkButton* button = Find<SkButton>("w.b");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->BehaviourMode(), ButtonBehaviour::Check);
    ASSERT_NE(button->StateImage(ButtonState::Normal), nullptr);
    ASSERT_NE(button->StateImage(ButtonState::Hover), nullptr);
    EXPECT_EQ(button->StateImage(ButtonState::Pushed), nullptr) << "an empty name is ignored";
    EXPECT_EQ(button->StateImage(ButtonState::Disabled), nullptr) << "read after the cut";
    const ImageSpec& normal = button->StateImage(ButtonState::Normal)->Desc();
    EXPECT_EQ(normal.drawMode, static_cast<int32_t>(DrawMode::ButtonFace));
    EXPECT_EQ(normal.source, (SkinRect{1, 0, 4, 65536}));
    EXPECT_TRUE(normal.colourKeyEnabled);
    EXPECT_EQ(normal.colourKey, 0xFFFF00FFu);
    ASSERT_NE(button->Label(), nullptr);
    const TextSpec& label = button->Label()->Desc();
    EXPECT_EQ(label.text, QStringLiteral("Play"));
    EXPECT_EQ(label.fontFace, QStringLiteral("Tahoma"));
    EXPECT_EQ(label.size, 12);
    EXPECT_EQ(label.format, 0x108u);
    EXPECT_EQ(label.colour, 0xFF010203u);

    SkButton* caps = Find<SkButton>("w.caps");
    ASSERT_NE(caps, nullptr) << "the factory lower-cases the type";
    EXPECT_EQ(caps->Label(), nullptr) << "the kind part compares the exact word";
    EXPECT_EQ(caps->StateImage(ButtonState::Normal), nullptr);
    EXPECT_EQ(caps->BehaviourMode(), ButtonBehaviour::Push);
}

TEST_F(ParseSkinTest, ImageElementsWithoutTextReadNoDrawingAttributes) {
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <i type="image" id="w.empty"><mode>0</mode>
          <image x="1" y="2" w="3" h="4" color="1,2,3" geobase="right" drawmode="pattern"
                 sx="5" sy="6" sw="7" sh="8" tpcolor="1,1,1"/></i>
        <i type="image" id="w.named"><mode>0</mode>
          <image drawmode="mosaic" tpcolor="x" geobase="bottom">pic/a.png</image></i>
        <i type="image" id="w.missing"><mode>0</mode><image>no/such.png</image></i>
      </controls></skin>)",
                      {"w.empty", "w.named", "w.missing"}));
    const ImageSpec& empty = Find<SkImage>("w.empty")->Image()->Desc();
    EXPECT_TRUE(empty.name.IsEmpty());
    EXPECT_EQ(empty.dest, (SkinRect{1, 2, 3, 4}));
    EXPECT_EQ(empty.colour, 0xFF010203u);
    EXPECT_EQ(empty.anchorFlags, 0x14u);
    EXPECT_EQ(empty.drawMode, 0);
    EXPECT_EQ(empty.source, kFullSkinRect);
    EXPECT_FALSE(empty.colourKeyEnabled);
    const ImageSpec& named = Find<SkImage>("w.named")->Image()->Desc();
    EXPECT_EQ(named.drawMode, 0) << "an unknown draw mode word is stretch";
    EXPECT_TRUE(named.colourKeyEnabled);
    EXPECT_EQ(named.colourKey, 0xFFFFFFFFu);
    EXPECT_EQ(named.anchorFlags, 0x41u);
    SkImage* missing = Find<SkImage>("w.missing");
    ASSERT_NE(missing->Image(), nullptr) << "an image control keeps an image it cannot load";
    EXPECT_EQ(missing->Image()->Picture(), nullptr);
}

TEST_F(ParseSkinTest, Slider) {
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <s type="slider" id="w.ok" mode="vertical"><mode>0</mode>
          <track min="-10" max="90" page="5" mleft="-3" mright="4">20</track>
          <skins><skin type="thumb">pic/a.png</skin><skin type="track">nope.png</skin>
                 <skin type="tics">pic/b.png</skin></skins>
          <bgimg>pic/a.png</bgimg><bgimg>nope.png</bgimg><bgimg>pic/c.png</bgimg></s>
        <s type="slider" id="w.page"><mode>0</mode>
          <track min="0" max="10" page="20">5</track>
          <skins><skin type="thumb">pic/a.png</skin><skin>pic/b.png</skin></skins>
          <bgimg>pic/a.png</bgimg></s>
        <s type="slider" id="w.noskins" mode="Vertical"><mode>0</mode>
          <track min="5" max="6">7</track><bgimg>pic/a.png</bgimg></s>
      </controls></skin>)",
                      {"w.ok", "w.page", "w.noskins"}));
    SkSlider* ok = Find<SkSlider>("w.ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->Vertical());
    EXPECT_EQ(ok->Minimum(), -10);
    EXPECT_EQ(ok->Maximum(), 90);
    EXPECT_EQ(ok->Value(), 20);
    EXPECT_EQ(ok->Page(), 5);
    EXPECT_EQ(ok->Margins().left, 0) << "negative margins become 0";
    EXPECT_EQ(ok->Margins().right, 4);
    EXPECT_NE(ok->Part(SliderPart::Thumb), nullptr);
    EXPECT_EQ(ok->Part(SliderPart::Track), nullptr) << "a part that cannot load is emptied";
    EXPECT_NE(ok->Part(SliderPart::Tics), nullptr);
    EXPECT_EQ(ok->BackgroundImages().size(), 2u);

    SkSlider* page = Find<SkSlider>("w.page");
    EXPECT_EQ(page->Maximum(), 100) << "a range smaller than the page is ignored whole";
    EXPECT_EQ(page->Minimum(), 0);
    EXPECT_EQ(page->Value(), 0);
    EXPECT_EQ(page->Page(), 20);
    EXPECT_TRUE(page->BackgroundImages().empty()) << "a skin without type ends the bgimgs too";
    SkSlider* noSkins = Find<SkSlider>("w.noskins");
    EXPECT_FALSE(noSkins->Vertical());
    EXPECT_EQ(noSkins->Maximum(), 100) << "value outside the range";
    EXPECT_TRUE(noSkins->BackgroundImages().empty());
}

TEST_F(ParseSkinTest, List) {
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <l type="list" id="w.list"><mode>0</mode>
          <bgimg>nope.png</bgimg>
          <columns font="Gulim" size="10" format="vcenter" color="1,2,3" height="-4"
                   selcolor="4,5,6">ignored
            <column index="0" width="120"/><column index="2" width="30"/>
            <column index="2" width="40"/><column index="1"/><column width="9"/>
            <column index="x" width="7"/>
          </columns></l>
        <l type="list" id="w.plain"><mode>0</mode><columns height="22"/></l>
      </controls></skin>)",
                      {"w.list", "w.plain"}));
    SkListCtrl* list = Find<SkListCtrl>("w.list");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->BackgroundImage(), nullptr);
    EXPECT_EQ(list->FontFace(), QStringLiteral("Gulim"));
    EXPECT_EQ(list->FontSize(), 10);
    EXPECT_EQ(list->Format(), 0x40u);
    EXPECT_EQ(list->TextColour(), 0xFF010203u);
    EXPECT_EQ(list->SelectedColour(), 0xFF040506u);
    EXPECT_EQ(list->RowHeight(), 16) << "a negative height is not taken";
    // A later pair replaces; an unreadable index is 0 and replaces index 0 too.
    const std::map<int32_t, int32_t> widths{{0, 7}, {2, 40}};
    EXPECT_EQ(list->ColumnWidths(), widths);
    SkListCtrl* plain = Find<SkListCtrl>("w.plain");
    EXPECT_EQ(plain->RowHeight(), 22);
    EXPECT_EQ(plain->FontFace(), QStringLiteral("Arial")) << "the profile's face";
    EXPECT_EQ(plain->FontSize(), 9);
    EXPECT_EQ(plain->SelectedColour(), 0xFFFFFFFFu);
}

TEST_F(ParseSkinTest, GSensorLinesAndBand) {
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <g type="gsensor" id="w.g"><mode w="600" h="150">0</mode>
          <bgimg>pic/a.png</bgimg>
          <line color="255,0,0" thick="3">x</line>
          <line>y</line>
          <line color="0,0,255" thick="">z</line>
          <line color="1,1,1">w</line>
          <line color="9,9,9" thick="2" startpos="10" top="20">time</line>
        </g>
        <g type="gsensor" id="w.h"><mode w="600" h="150">0</mode>
          <line color="9,9,9" thick="2" startpos="50" endpos="40">time</line></g>
      </controls></skin>)",
                      {"w.g", "w.h"}));
    SkGSensorGraph* graph = Find<SkGSensorGraph>("w.g");
    ASSERT_NE(graph, nullptr);
    EXPECT_NE(graph->BackgroundImage(), nullptr);
    EXPECT_EQ(graph->Pen(GSensorTrace::X).colour, 0xFFFF0000u);
    EXPECT_EQ(graph->Pen(GSensorTrace::X).width, 3);
    EXPECT_EQ(graph->Pen(GSensorTrace::Y).width, 1);
    EXPECT_EQ(graph->Pen(GSensorTrace::Z).width, 0) << "thick is read with atoi";
    EXPECT_EQ(graph->Pen(GSensorTrace::Time).colour, 0xFF090909u);
    const GraphBand& band = graph->Band();
    EXPECT_EQ(band.startPos, 10);
    EXPECT_EQ(band.endPos, 600) << "defaults to the mode 0 width";
    EXPECT_EQ(band.top, 20);
    EXPECT_EQ(band.height, 150);
    SkGSensorGraph* noBand = Find<SkGSensorGraph>("w.h");
    EXPECT_EQ(noBand->Pen(GSensorTrace::Time).width, 2) << "the pen is kept without the band";
    EXPECT_EQ(noBand->Band().endPos, 0);
    EXPECT_EQ(noBand->Band().startPos, 0);
}

TEST_F(ParseSkinTest, TextControlAndDuplicateIds) {
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <t type="text" id="w.t"><mode>0</mode><text x="5" size="x">first</text></t>
        <t type="text" id="w.t"><mode>1</mode><text>second</text></t>
      </controls></skin>)",
                      {"w.t"}));
    SkText* text = Find<SkText>("w.t");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text()->Desc().text, QStringLiteral("second")) << "the later control wins";
    EXPECT_EQ(m_skin.FindControl(NameKey("w.t"))->control->ModeGeometryOf(0), nullptr);
    ASSERT_TRUE(Parse(R"(<skin><property/><controls>
        <t type="text" id="w.t"><mode>0</mode><text x="5" size="x">first</text></t>
      </controls></skin>)"));
    const TextSpec& desc = Find<SkText>("w.t")->Text()->Desc();
    EXPECT_EQ(desc.rect, kFullSkinRect) << "a text control's box is its whole client area";
    EXPECT_EQ(desc.size, 0) << "size is read with atoi";
}

}  // namespace
}  // namespace player
