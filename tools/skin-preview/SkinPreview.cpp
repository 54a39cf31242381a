#include "tools/skin-preview/SkinPreview.h"

#include "platform/window/ListCtrl.h"
#include "platform/window/Screen.h"
#include "platform/window/Window.h"
#include "player/common/NameKey.h"
#include "player/pack/ImageCache.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkDialog.h"
#include "player/skin/SkImage.h"
#include "player/skin/SkSlider.h"
#include "player/skin/StyleWords.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>

#include <tinyxml2.h>

#include <map>

namespace skinpreview {

namespace {

using platform::ChildKind;
using player::ControlKind;

constexpr int kFirstChildId = 1000;
constexpr char kMainWindow[] = "MAIN";
constexpr int kMaximisedMode = 1;
// The largest screens made (8K); a window is never larger than its screen.
constexpr int kMaxScreenWidth = 7680;
constexpr int kMaxScreenHeight = 4320;
const QSize kDefaultScreen(1920, 1080);

struct ControlInfo {
    QByteArray name;
    ControlKind kind = ControlKind::Image;
};

// The control elements of a skin document, as the parser will see them: a known type and an
// id. The kind follows the type word, as a window registering that control would choose it.
std::vector<ControlInfo> ScanControls(const QByteArray& script) {
    static const std::map<QByteArray, ControlKind> kinds = {
        {"button", ControlKind::Button}, {"image", ControlKind::Image},
        {"text", ControlKind::Text},     {"slider", ControlKind::Slider},
        {"list", ControlKind::List},     {"video", ControlKind::Video},
        {"map", ControlKind::Web},       {"gsensor", ControlKind::GSensorGraph}};
    std::vector<ControlInfo> controls;
    tinyxml2::XMLDocument document;
    if (document.Parse(script.constData(), static_cast<size_t>(script.size())) !=
        tinyxml2::XML_SUCCESS) {
        return controls;
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    const tinyxml2::XMLElement* list = root ? root->FirstChildElement("controls") : nullptr;
    for (const tinyxml2::XMLElement* e = list ? list->FirstChildElement() : nullptr; e;
         e = e->NextSiblingElement()) {
        const char* type = e->Attribute("type");
        const char* id = e->Attribute("id");
        if (type == nullptr || id == nullptr || *id == '\0') {
            continue;
        }
        const auto kind = kinds.find(QByteArray(type).toLower());
        if (kind != kinds.end()) {
            controls.push_back({QByteArray(id), kind->second});
        }
    }
    return controls;
}

ChildKind ChildFor(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            return ChildKind::Button;
        case ControlKind::List:
            return ChildKind::ListView;
        case ControlKind::Web:
            return ChildKind::Custom;
        default:
            return ChildKind::Static;
    }
}

// A dialog template with one child per control; it must outlive the window built from it.
struct PreviewTemplate {
    std::vector<ControlInfo> controls;
    std::vector<platform::DialogItem> items;
    platform::DialogTemplate dialogTemplate;

    explicit PreviewTemplate(std::vector<ControlInfo> scanned) : controls(std::move(scanned)) {
        for (size_t i = 0; i < controls.size(); ++i) {
            items.push_back(
                {kFirstChildId + static_cast<int>(i), ChildFor(controls[i].kind), 0, 0, 10, 10});
        }
        dialogTemplate = {0, "", 100, 100, platform::kDialogPopup, items};
    }
};

class PreviewWindow : public player::SkDialog {
public:
    explicit PreviewWindow(const PreviewTemplate& t) : SkDialog(t.dialogTemplate), m_template(t) {}

protected:
    void OnRegisterControls() override {
        for (size_t i = 0; i < m_template.controls.size(); ++i) {
            const ControlInfo& c = m_template.controls[i];
            Skin()->RegisterControl(player::NameKey(QString::fromUtf8(c.name)), c.kind,
                                    kFirstChildId + static_cast<int>(i));
        }
    }

private:
    const PreviewTemplate& m_template;
};

bool FillList(platform::ListCtrl& list, const QString& rows) {
    list.DeleteAllItems();
    const QStringList lines = rows.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString line : lines) {
        const bool selected = line.startsWith(QLatin1Char('*'));
        if (selected) {
            line.remove(0, 1);
        }
        const QStringList cells = line.split(QLatin1Char(','));
        const int row = list.InsertItem(list.GetItemCount(), cells.value(0));
        for (int i = 1; i < cells.size(); ++i) {
            list.SetItemText(row, i, cells[i]);
        }
        if (selected) {
            const unsigned both = platform::LVIS_SELECTED | platform::LVIS_DROPHILITED;
            list.SetItemState(row, both, both);
        }
    }
    return true;
}

// Applies one NAME=VALUE; a button state is left in `forced` to be drawn over the picture.
bool ApplyState(player::WindowSkin& skin, const QString& name, const QString& value,
                std::vector<std::pair<player::SkButton*, player::ButtonState>>& forced,
                QString& error) {
    player::SkWidget* widget = skin.FindControlWindow(player::NameKey(name));
    if (widget == nullptr || widget->Window() == nullptr) {
        error = QStringLiteral("no control %1 in this window").arg(name);
        return false;
    }
    if (value == QLatin1String("hide")) {
        widget->Window()->hide();
        return true;
    }
    if (auto* button = dynamic_cast<player::SkButton*>(widget)) {
        const player::ButtonState state = player::ButtonStateFromWord(value);
        if (state == player::ButtonState::None) {
            error = QStringLiteral("%1: unknown button state %2").arg(name, value);
            return false;
        }
        forced.emplace_back(button, state);
        return true;
    }
    if (auto* slider = dynamic_cast<player::SkSlider*>(widget)) {
        bool ok = false;
        const int v = value.toInt(&ok);
        if (!ok) {
            error = QStringLiteral("%1: the value must be a number").arg(name);
            return false;
        }
        slider->SetValue(v);
        return true;
    }
    if (auto* list = qobject_cast<platform::ListCtrl*>(widget->Window())) {
        return FillList(*list, value);
    }
    platform::SetWindowText(widget->Window(), value);
    return true;
}

}  // namespace

std::optional<std::pair<PreviewRequest, QString>> ParseArguments(const QStringList& args,
                                                                 QString& error) {
    PreviewRequest request;
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--state") && i + 1 < args.size()) {
            const QString& pair = args[++i];
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            if (eq <= 0) {
                error = QStringLiteral("--state wants NAME=VALUE, not %1").arg(pair);
                return std::nullopt;
            }
            request.states.emplace_back(pair.left(eq), pair.mid(eq + 1));
        } else if (arg == QLatin1String("--screen") && i + 1 < args.size()) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            const int w = wh.size() == 2 ? wh[0].toInt() : 0;
            const int h = wh.size() == 2 ? wh[1].toInt() : 0;
            if (w <= 0 || h <= 0 || w > kMaxScreenWidth || h > kMaxScreenHeight) {
                error = QStringLiteral("--screen wants WxH up to %1x%2, such as 1366x768")
                            .arg(kMaxScreenWidth)
                            .arg(kMaxScreenHeight);
                return std::nullopt;
            }
            request.screen = QSize(w, h);
        } else if (arg == QLatin1String("--maximised")) {
            request.maximised = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("unknown or incomplete option %1").arg(arg);
            return std::nullopt;
        } else {
            positional << arg;
        }
    }
    bool modeOk = false;
    if (positional.size() != 4 || (request.mode = positional[2].toInt(&modeOk), !modeOk) ||
        request.mode < 0) {
        error = QStringLiteral("expected PACK WINDOW MODE OUT.png");
        return std::nullopt;
    }
    request.packPath = positional[0];
    request.window = positional[1];
    return std::make_pair(request, positional[3]);
}

std::optional<PreviewResult> RenderPreview(const PreviewRequest& request, QString& error) {
    // Offscreen there is no real screen (the platform says 800x600), and a window is clamped
    // to its screen: preview on a usual desktop unless told otherwise.
    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    platform::SetScreenSizeOverride(request.screen.isEmpty() && offscreen ? kDefaultScreen
                                                                          : request.screen);
    player::ResourcePack pack;
    if (!pack.OpenPack(request.packPath)) {
        error = QStringLiteral("cannot open the pack %1: %2")
                    .arg(request.packPath,
                         QString::fromLatin1(player::DescribePackError(pack.LastError())));
        return std::nullopt;
    }
    player::AppProfile profile;
    if (!profile.LoadProfile(&pack, QFileInfo(request.packPath).absolutePath())) {
        error = QStringLiteral("the profile does not load: %1").arg(profile.FailureReason());
        return std::nullopt;
    }
    player::LoadPackImages(&pack, player::ImageCache::Instance());
    pack.Close();
    const QByteArray* script = profile.GetScript(player::NameKey(request.window));
    if (script == nullptr) {
        error = QStringLiteral("the profile has no skin for %1").arg(request.window);
        return std::nullopt;
    }
    player::SkDialog::SetSkinFontDefaults({profile.FontFace(), profile.FontSize()});

    const PreviewTemplate previewTemplate(ScanControls(*script));
    PreviewWindow window(previewTemplate);
    window.LoadSkin(*script);
    if (!window.SkinComplete()) {
        error = QStringLiteral("the skin for %1 is unusable: %2")
                    .arg(request.window, window.SkinFailure());
        return std::nullopt;
    }
    window.Create(nullptr);
    window.show();
    if (request.maximised ||
        (request.window == QLatin1String(kMainWindow) && request.mode == kMaximisedMode)) {
        window.ShowWindow(platform::ShowCommand::Maximize);
    }
    window.SetBackgroundMode(request.mode);
    player::WindowSkin& skin = *window.Skin();
    for (auto& [name, entry] : skin.Controls()) {
        skin.SetModeState(name, request.mode, 1, 1);
    }
    skin.ApplyMode(request.mode);

    PreviewResult result;
    std::vector<std::pair<player::SkButton*, player::ButtonState>> forced;
    for (const auto& [name, value] : request.states) {
        if (!ApplyState(skin, name, value, forced, error)) {
            return std::nullopt;
        }
    }
    result.image = window.grab().toImage();
    QPainter painter(&result.image);
    for (auto& [button, state] : forced) {
        if (button->Window()->isVisible()) {
            button->PaintState(button->Surface(), state);
            painter.drawImage(button->Window()->pos(), button->Surface().Bitmap());
        }
    }
    for (auto& [name, entry] : skin.Controls()) {
        result.controls += entry.control ? 1 : 0;
    }
    result.warnings = player::MissingPictures(skin);
    return result;
}

}  // namespace skinpreview
