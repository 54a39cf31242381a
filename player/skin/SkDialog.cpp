#include "player/skin/SkDialog.h"

#include "platform/gfx/Blit.h"
#include "platform/window/Screen.h"
#include "player/skin/ParseSkin.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkinDraw.h"
#include "player/skin/TypeFactory.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace player {

namespace gfx = platform::gfx;

namespace {

SkinFontDefaults& FontDefaults() {
    static SkinFontDefaults fonts;
    return fonts;
}

constexpr uint32_t kBlackRgb = 0x000000;

}  // namespace

SkDialog::SkDialog(const platform::DialogTemplate& dialogTemplate, QWidget* parent)
    : platform::Dialog(dialogTemplate, parent) {
    // The background is painted whole from the cache; Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

SkDialog::~SkDialog() {
    // The skin's widgets delete their windows, which are this dialog's children.
    m_skin.reset();
}

void SkDialog::SetSkinFontDefaults(const SkinFontDefaults& fonts) {
    FontDefaults() = fonts;
}

void SkDialog::OnRegisterControls() {}

void SkDialog::OnRegisterTypes(TypeFactory&) {}

bool SkDialog::LoadSkin(const QByteArray& utf8) {
    if (utf8.isNull()) {
        return false;
    }
    m_skin = std::make_unique<WindowSkin>();
    OnRegisterControls();
    TypeFactory factory = TypeFactory::CreateDefault();
    OnRegisterTypes(factory);
    m_skinFailure.clear();
    m_skinComplete = ParseSkin(utf8, *m_skin, factory, FontDefaults(), &m_skinFailure);
    return true;
}

void SkDialog::PlaceWindow() {
    const SkinRect& skinRect = m_skin->WindowRect();
    int64_t x = skinRect.x;
    int64_t y = skinRect.y;
    // No window is larger than the screen it is on.
    const QSize screen = platform::PrimaryScreenSize();
    const int w = std::clamp(skinRect.w, 0, screen.isEmpty() ? kMaxSkinWindowSide : screen.width());
    const int h =
        std::clamp(skinRect.h, 0, screen.isEmpty() ? kMaxSkinWindowSide : screen.height());
    if (const QWidget* parent = parentWidget()) {
        const QRect p = parent->window()->frameGeometry();
        if (x < 0) {
            x = (int64_t{p.width()} - w) / 2;
        }
        if (y < 0) {
            y = (int64_t{p.height()} - h) / 2;
        }
        x += p.left();
        y += p.top();
    } else {
        if (x < 0) {
            x = (int64_t{screen.width()} - w) / 2;
        }
        if (y < 0) {
            y = (int64_t{screen.height()} - h) / 2;
        }
    }
    setGeometry(static_cast<int>(x), static_cast<int>(y), w, h);
    update();
}

bool SkDialog::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    if (!m_skin) {
        return true;
    }
    PlaceWindow();
    setWindowTitle(m_skin->Title());
    for (auto& [name, entry] : m_skin->Controls()) {
        if (entry.control) {
            entry.control->Bind(*this);
        } else if (QWidget* child = GetDlgItem(entry.dialogItemId)) {
            child->hide();
        }
    }
    return true;
}

void SkDialog::SetBackgroundMode(int32_t mode) {
    if (mode == m_mode) {
        return;
    }
    m_mode = mode;
    MarkDirty();
}

void SkDialog::MarkDirty() {
    m_dirty = true;
    update();
}

void SkDialog::ComposeBackground(gfx::Dc& dc) {
    dc.Fill(kBlackRgb);
    if (!m_skin) {
        return;
    }
    const gfx::Rect client{0, 0, dc.Width(), dc.Height()};
    for (const BackgroundImage& background : m_skin->BackgroundImages()) {
        if (background.mode != m_mode || !background.image) {
            continue;
        }
        SkinImage& image = *background.image;
        const SkinRect r = ResolveRect(image.Desc().dest, client.Width(), client.Height(),
                                       image.Desc().anchorFlags);
        // A rendering made for another client size (before a maximise) is made again.
        if (image.IsRendered() &&
            (image.Rendering().Width() != r.w || image.Rendering().Height() != r.h)) {
            image.DiscardRendering();
        }
        RenderImage(image, &dc, client, nullptr, false);
        BlitImage(client, image, &dc);
    }
}

void SkDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = rect();
    const bool cacheFits = m_cache.Width() == client.width() && m_cache.Height() == client.height();
    if (!m_dirty && !m_cache.IsNull() && cacheFits) {
        painter.drawImage(0, 0, m_cache.Bitmap());
        return;
    }
    gfx::Dc surface(client.width(), client.height(), logicalDpiY());
    {
        SkMemDC memory(surface, std::nullopt, true);
        ComposeBackground(memory.Dc());
        m_cache = memory.Dc().CreateCompatible(client.width(), client.height());
        gfx::BitBlt(m_cache, 0, 0, client.width(), client.height(), memory.Dc(), 0, 0);
        if (m_skin) {
            m_skin->TransferBackground(memory.Dc());
        }
        m_dirty = false;
    }
    painter.drawImage(0, 0, surface.Bitmap());
}

void SkDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragEnabled) {
        const QPoint p = event->position().toPoint();
        const auto packed =
            static_cast<platform::LParam>((p.x() & 0xFFFF) | ((p.y() & 0xFFFF) << 16));
        PostMessage(platform::WM_NCLBUTTONDOWN, platform::HTCAPTION, packed);
    }
    platform::Dialog::mousePressEvent(event);
}

}  // namespace player
