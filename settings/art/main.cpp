// Draws every picture of the settings tool (the dialog background, the option and action
// buttons, the switch, the confirmation window and the icon) as PNG files named by their
// bitmap id, so the program carries no artwork from elsewhere. Run at build time:
//   dcs_4100_art OUTPUT_FOLDER

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <vector>

namespace {

// One palette for the whole tool: a dark body, slate buttons, a blue accent for "on".
const QColor kBand(0x1B, 0x22, 0x30);
const QColor kBandEdge(0x2E, 0x3A, 0x50);
const QColor kBody(0x11, 0x15, 0x1C);
const QColor kCard(0x1A, 0x21, 0x2D);
const QColor kCardEdge(0x2A, 0x33, 0x44);
const QColor kOff(0x2A, 0x33, 0x42);
const QColor kOffEdge(0x3D, 0x49, 0x5E);
const QColor kOffText(0xA4, 0xB0, 0xC2);
const QColor kOn(0x20, 0xA4, 0xF3);
const QColor kOnEdge(0x8F, 0xD4, 0xFF);
const QColor kOnText(0xFF, 0xFF, 0xFF);
const QColor kPressed(0x14, 0x78, 0xB8);
const QColor kTitle(0xE8, 0xEE, 0xF6);
const QColor kMuted(0x7D, 0x8A, 0x9E);

constexpr int kGSensorPictureWidth = 49;
constexpr int kGSensorButtonWidth = 41;

QFont UiFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({"Liberation Sans", "NanumGothic", "NanumSquare"});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QImage NewImage(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

void RoundedBox(QPainter& p, const QRectF& rect, qreal radius, const QColor& fill,
                const QColor& edge) {
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// A 51 x 16 or 49 x 16 option button; "on" is the accent fill the user reads as selected. The
// button itself may be narrower than its picture: the G-sensor row's nine pictures stand 50
// pixels apart and run to the card's edge, so their buttons leave a gap on the right.
QImage OptionButton(int width, int buttonWidth, const QString& word, bool on) {
    QImage image = NewImage(width, 16, kCard);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    RoundedBox(p, QRectF(0, 0, buttonWidth, 16), 3, on ? kOn : kOff, on ? kOnEdge : kOffEdge);
    p.setFont(UiFont(word.size() > 4 ? 9 : 10, true));
    p.setPen(on ? kOnText : kOffText);
    p.drawText(QRect(0, 0, buttonWidth, 16), Qt::AlignCenter, word);
    return image;
}

enum class ActionLook { Primary, Secondary, Quiet };

QImage ActionButton(const QString& word, ActionLook look, bool pressed, const QColor& around) {
    QImage image = NewImage(148, 31, around);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = look == ActionLook::Primary ? kOn : look == ActionLook::Secondary ? kOff : kCard;
    QColor edge = look == ActionLook::Primary ? kOnEdge : kOffEdge;
    if (pressed) {
        fill = look == ActionLook::Primary ? kPressed : fill.darker(140);
        edge = edge.darker(130);
    }
    RoundedBox(p, QRectF(0, 0, 148, 31), 6, fill, edge);
    p.setFont(UiFont(13, true));
    p.setPen(look == ActionLook::Primary ? kOnText : kTitle);
    p.drawText(QRect(0, pressed ? 1 : 0, 148, 31), Qt::AlignCenter, word);
    return image;
}

QImage Switch(bool on) {
    QImage image = NewImage(19, 19, kCard);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    RoundedBox(p, QRectF(0, 0, 19, 19), 4, on ? kOn : kOff, on ? kOnEdge : kOffEdge);
    if (on) {
        p.setPen(QPen(kOnText, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(5, 9.5), QPointF(8.2, 13), QPointF(14, 6)}));
    }
    return image;
}

struct Section {
    int rowY;  // top of the row's buttons
    QString korean;
    QString english;
};

QImage Background() {
    QImage image = NewImage(498, 758, kBody);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // The band above y = 36 is where the window is grabbed.
    QLinearGradient band(0, 0, 0, 36);
    band.setColorAt(0, kBand.lighter(120));
    band.setColorAt(1, kBand);
    p.fillRect(QRect(0, 0, 498, 36), band);
    p.fillRect(QRect(0, 35, 498, 1), kBandEdge);
    RoundedBox(p, QRectF(12, 9, 18, 18), 4, kOn, kOnEdge);
    p.setPen(kOnText);
    p.setFont(UiFont(11, true));
    p.drawText(QRect(12, 9, 18, 18), Qt::AlignCenter, "D");
    p.setPen(kTitle);
    p.setFont(UiFont(14, true));
    p.drawText(QRect(38, 0, 200, 36), Qt::AlignVCenter | Qt::AlignLeft, "DCS_4100");
    p.setPen(kMuted);
    p.setFont(UiFont(13, false));
    p.drawText(QRect(260, 0, 226, 36), Qt::AlignVCenter | Qt::AlignRight,
               QString::fromUtf8("설정  ·  CAMERA SETTINGS"));

    const std::vector<Section> sections = {
        {106, QString::fromUtf8("주차 모드"), "PARKING MODE"},
        {213, QString::fromUtf8("녹음 볼륨"), "MICROPHONE"},
        {320, QString::fromUtf8("스피커 볼륨"), "SPEAKER"},
        {427, QString::fromUtf8("녹화 품질"), "QUALITY"},
        {535, QString::fromUtf8("G-센서"), "G-SENSOR"},
        {634, QString::fromUtf8("시간 설정"), "DATE & TIME"},
    };
    for (const Section& section : sections) {
        const int bottom = section.rowY + (section.rowY == 634 ? 38 : 32);
        RoundedBox(p, QRectF(12, section.rowY - 54, 474, bottom - (section.rowY - 54)), 8, kCard,
                   kCardEdge);
        p.fillRect(QRect(26, section.rowY - 40, 3, 16), kOn);
        p.setPen(kTitle);
        p.setFont(UiFont(15, true));
        QRect korean(38, section.rowY - 44, 200, 24);
        QRect used;
        p.drawText(korean, Qt::AlignVCenter | Qt::AlignLeft, section.korean, &used);
        p.setPen(kMuted);
        p.setFont(UiFont(11, true));
        p.drawText(QRect(used.right() + 10, section.rowY - 44, 220, 24),
                   Qt::AlignVCenter | Qt::AlignLeft, section.english);
    }
    // Under the switch: what it does.
    p.setPen(kMuted);
    p.setFont(UiFont(10, false));
    p.drawText(QRect(41, 659, 420, 12), Qt::AlignLeft | Qt::AlignVCenter,
               "Tick to set the camera clock from these fields");
    p.fillRect(QRect(0, 692, 498, 1), kCardEdge);
    return image;
}

QImage Popup() {
    QImage image = NewImage(322, 200, kBody);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, 322, 36), kBand);
    p.fillRect(QRect(0, 35, 322, 1), kBandEdge);
    p.setPen(kTitle);
    p.setFont(UiFont(13, true));
    p.drawText(QRect(14, 0, 300, 36), Qt::AlignVCenter | Qt::AlignLeft, "DCS_4100");
    p.setPen(QPen(kCardEdge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 321, 199));
    // The message sits on black, as its text control paints it.
    RoundedBox(p, QRectF(10, 66, 302, 44), 6, Qt::black, kCardEdge);
    return image;
}

QImage Icon() {
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    RoundedBox(p, QRectF(2, 2, 60, 60), 14, kBand, kBandEdge);
    RoundedBox(p, QRectF(12, 20, 40, 26), 6, kOff, kOffEdge);
    p.setBrush(kOn);
    p.setPen(QPen(kOnEdge, 2));
    p.drawEllipse(QPointF(32, 33), 9, 9);
    p.fillRect(QRect(16, 15, 10, 6), kOffEdge);
    return image;
}

struct Picture {
    int id;
    QImage image;
};

std::vector<Picture> AllPictures() {
    std::vector<Picture> pictures;
    auto option = [&pictures](int offId, int onId, int width, const QString& word) {
        // The last G-sensor picture ends 5 pixels past the card (x 442 + 49 against 486).
        const int buttonWidth = width == kGSensorPictureWidth ? kGSensorButtonWidth : width;
        pictures.push_back({offId, OptionButton(width, buttonWidth, word, false)});
        pictures.push_back({onId, OptionButton(width, buttonWidth, word, true)});
    };
    option(131, 130, 51, "OFF");
    option(132, 133, 51, "ALWAYS");
    option(134, 135, 51, "MD1");
    option(136, 137, 51, "MD2");
    option(139, 138, 51, "MD3");
    option(142, 143, 51, "LOW");
    option(145, 144, 51, "MID");
    option(147, 146, 51, "HIGH");
    option(158, 159, 49, "OFF");
    option(148, 149, 49, "G1");
    option(150, 151, 49, "G2");
    option(152, 153, 49, "G3");
    option(154, 155, 49, "G4");
    option(161, 160, 49, "G5");
    option(163, 162, 49, "G6");
    option(165, 164, 49, "G7");
    option(156, 157, 49, "G8");
    pictures.push_back(
        {167, ActionButton(QString::fromUtf8("저장  SAVE"), ActionLook::Primary, false, kBody)});
    pictures.push_back(
        {166, ActionButton(QString::fromUtf8("저장  SAVE"), ActionLook::Primary, true, kBody)});
    pictures.push_back({171, ActionButton(QString::fromUtf8("취소  CANCEL"), ActionLook::Secondary,
                                          false, kBody)});
    pictures.push_back(
        {170, ActionButton(QString::fromUtf8("취소  CANCEL"), ActionLook::Secondary, true, kBody)});
    pictures.push_back({169, ActionButton("INIT", ActionLook::Quiet, false, kBody)});
    pictures.push_back({168, ActionButton("INIT", ActionLook::Quiet, true, kBody)});
    pictures.push_back({173, Switch(false)});
    pictures.push_back({172, Switch(true)});
    pictures.push_back({129, Background()});
    pictures.push_back({177, Popup()});
    pictures.push_back({178, ActionButton("OK", ActionLook::Primary, false, kBody)});
    pictures.push_back({179, ActionButton("OK", ActionLook::Primary, true, kBody)});
    pictures.push_back({128, Icon()});
    return pictures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dcs_4100_art OUTPUT_FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "dcs_4100_art: cannot create %s\n", argv[1]);
        return 1;
    }
    for (const Picture& picture : AllPictures()) {
        const QString path = QStringLiteral("%1/%2.png").arg(folder).arg(picture.id);
        if (!picture.image.save(path, "PNG")) {
            std::fprintf(stderr, "dcs_4100_art: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
