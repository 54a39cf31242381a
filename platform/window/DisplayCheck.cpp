#include "platform/window/DisplayCheck.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

const char* g_program = "";
QtMessageHandler g_previous = nullptr;
QList<HeldMessage>* g_held = nullptr;

void HoldOrExit(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const QByteArray category(context.category != nullptr ? context.category : "");
    if (type != QtFatalMsg) {
        g_held->append(HeldMessage{type, category, text});
        return;
    }
    // The platform plugin says what went wrong ("could not connect to display :987") before
    // the toolkit gives up; that is the line to show.
    QString reason = text.section(u'\n', 0, 0);
    int rank = 0;  // a message naming the display beats one naming only a plugin
    for (const HeldMessage& held : *g_held) {
        const int heldRank = !held.category.startsWith("qt.qpa") ? 0
                             : held.text.contains(QLatin1String("display"), Qt::CaseInsensitive)
                                 ? 2
                                 : 1;
        if (heldRank > rank) {
            rank = heldRank;
            reason = held.text.section(u'\n', 0, 0);
        }
    }
    std::fprintf(stderr, "%s: no display to show the window on (%s)\n", g_program,
                 reason.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

void ExitQuietlyWithoutDisplay(const char* program) {
    g_program = program;
    static QList<HeldMessage> held;
    g_held = &held;
    g_previous = qInstallMessageHandler(&HoldOrExit);
}

void DisplayReached() {
    if (g_held == nullptr) {
        return;
    }
    qInstallMessageHandler(g_previous);
    for (const HeldMessage& message : *g_held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        g_previous(message.type, context, message.text);
    }
    g_held->clear();
    g_held = nullptr;
}

}  // namespace platform
