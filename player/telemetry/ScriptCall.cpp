#include "player/telemetry/ScriptCall.h"

namespace player {

namespace {

const QString kScriptPrefix = QStringLiteral("javascript:");

bool IsSeparator(QChar c) {
    switch (c.unicode()) {
        case ' ':
        case ',':
        case '\'':
        case '"':
        case '\t':
        case '(':
        case ')':
        case ';':
            return true;
        default:
            return false;
    }
}

}  // namespace

std::optional<ScriptCall> ParseScriptCall(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    QString rest = text;
    if (const qsizetype prefix = rest.indexOf(kScriptPrefix); prefix >= 0) {
        rest = rest.mid(prefix + kScriptPrefix.size());
    }
    const qsizetype open = rest.indexOf(QLatin1Char('('));
    ScriptCall call;
    call.function = (open < 0 ? rest : rest.left(open)).trimmed();
    if (call.function.isEmpty()) {
        return std::nullopt;
    }
    if (open < 0) {
        return call;
    }
    QString token;
    for (const QChar c : QStringView(rest).mid(open + 1)) {
        if (!IsSeparator(c)) {
            token += c;
        } else if (!token.isEmpty()) {
            call.arguments << token;
            token.clear();
        }
    }
    if (!token.isEmpty()) {
        call.arguments << token;
    }
    return call;
}

QString ScriptStringLiteral(const QString& text) {
    QString literal;
    literal.reserve(text.size() + 2);
    literal += QLatin1Char('"');
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'"' || code == u'\\') {
            literal += QLatin1Char('\\');
            literal += c;
        } else if (code >= 0x20 && code < 0x7F) {
            literal += c;
        } else {
            literal +=
                QStringLiteral("\\u%1").arg(static_cast<unsigned>(code), 4, 16, QLatin1Char('0'));
        }
    }
    literal += QLatin1Char('"');
    return literal;
}

QString ScriptInvocation(const ScriptCall& call) {
    QStringList arguments;
    for (const QString& argument : call.arguments) {
        arguments << ScriptStringLiteral(argument);
    }
    return QStringLiteral(
               "(function () { const f = window[%1]; if (typeof f !== 'function') return '';"
               " try { const r = f(%2); return r === undefined || r === null ? '' : String(r); }"
               " catch (e) { return ''; } })()")
        .arg(ScriptStringLiteral(call.function), arguments.join(QLatin1Char(',')));
}

}  // namespace player
