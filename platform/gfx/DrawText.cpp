#include "platform/gfx/DrawText.h"

#include "platform/gfx/Font.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <QTextLayout>

#include <algorithm>
#include <vector>

namespace platform::gfx {

namespace {

const QString kEllipsis = QStringLiteral("...");

QString StripPrefixes(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == u'&') {
            out += u'&';
            ++i;
        }
    }
    return out;
}

QStringList SplitParagraphs(const QString& text) {
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(u'\r', u'\n');
    return unified.split(u'\n');
}

void WrapParagraph(const QString& paragraph, const QFont& font, int width, bool breakAnywhere,
                   std::vector<QString>& lines) {
    if (paragraph.isEmpty()) {
        lines.emplace_back();
        return;
    }
    QTextLayout layout(paragraph, font);
    QTextOption option;
    option.setWrapMode(breakAnywhere ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                     : QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 0));
        QString piece = paragraph.mid(line.textStart(), line.textLength());
        while (!piece.isEmpty() && piece.back() == u' ') {
            piece.chop(1);
        }
        lines.push_back(piece);
    }
    layout.endLayout();
}

QString ElideEnd(const QFontMetrics& metrics, const QString& line, int width) {
    if (metrics.horizontalAdvance(line) <= width) {
        return line;
    }
    qsizetype low = 0;
    qsizetype high = line.size();
    while (low < high) {  // longest prefix that still fits with the ellipsis
        const qsizetype mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(line.left(mid) + kEllipsis) <= width) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    if (low > 0 && line[low - 1].isHighSurrogate()) {
        --low;
    }
    return line.left(low) + kEllipsis;
}

std::vector<QString> BreakLines(const QString& text, const QFont& font, int width,
                                uint32_t format) {
    std::vector<QString> lines;
    if (format & kDtSingleLine) {
        QString line = text;
        line.remove(u'\r');
        line.remove(u'\n');
        lines.push_back(line);
        return lines;
    }
    for (const QString& paragraph : SplitParagraphs(text)) {
        if (format & kDtWordBreak) {
            WrapParagraph(paragraph, font, width, (format & kDtEditControl) != 0, lines);
        } else {
            lines.push_back(paragraph);
        }
    }
    return lines;
}

}  // namespace

int DrawText(Dc& dc, const QString& text, Rect& box, uint32_t format) {
    if (dc.IsNull()) {
        return 0;
    }
    const QFont& font = dc.SelectedFont() ? dc.SelectedFont()->QtFont() : DefaultGuiFont();
    const QFontMetrics metrics(font);
    const QString shown = (format & kDtNoPrefix) ? text : StripPrefixes(text);
    std::vector<QString> lines = BreakLines(shown, font, box.Width(), format);
    if (format & (kDtEndEllipsis | kDtWordEllipsis)) {
        for (QString& line : lines) {
            line = ElideEnd(metrics, line, box.Width());
        }
    }
    const int lineHeight = metrics.height();
    const int textHeight = lineHeight * static_cast<int>(lines.size());
    if (format & kDtCalcRect) {
        int widest = 0;
        for (const QString& line : lines) {
            widest = std::max(widest, metrics.horizontalAdvance(line));
        }
        box.right = box.left + widest;
        box.bottom = box.top + textHeight;
        return textHeight;
    }
    int top = box.top;
    if (format & kDtSingleLine) {
        if (format & kDtVCenter) {
            top = box.top + (box.Height() - lineHeight) / 2;
        } else if (format & kDtBottom) {
            top = box.bottom - lineHeight;
        }
    }
    QPainter painter(&dc.Bitmap());
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(RgbFromColorRef(dc.TextColor())));
    if (!(format & kDtNoClip)) {
        painter.setClipRect(
            QRect(box.left, box.top, std::max(box.Width(), 0), std::max(box.Height(), 0)));
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const int lineTop = top + static_cast<int>(i) * lineHeight;
        // An edit control shows no partly visible line after the first.
        if ((format & kDtEditControl) && !(format & kDtSingleLine) && i > 0 &&
            lineTop + lineHeight > box.bottom) {
            break;
        }
        const int width = metrics.horizontalAdvance(lines[i]);
        int left = box.left;
        if (format & kDtCenter) {
            left = box.left + (box.Width() - width) / 2;
        } else if (format & kDtRight) {
            left = box.right - width;
        }
        painter.drawText(QPoint(left, lineTop + metrics.ascent()), lines[i]);
    }
    return textHeight;
}

QString OneLineText(const QString& name) {
    QString line = name;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char16_t unit = line[i].unicode();
        const bool pair =
            QChar::isHighSurrogate(unit) && i + 1 < line.size() && line[i + 1].isLowSurrogate();
        if (pair) {
            ++i;
        } else if (unit < 0x20 || (unit >= 0x7F && unit < 0xA0) || unit == 0x2028 ||
                   unit == 0x2029 || QChar::isSurrogate(unit)) {
            line[i] = QChar(QChar::ReplacementCharacter);
        }
    }
    return line;
}

}  // namespace platform::gfx
