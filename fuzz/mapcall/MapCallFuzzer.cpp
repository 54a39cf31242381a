// The map page's call text (a player call, possibly built from a recording's telemetry) through
// the splitter and the script it becomes: every argument and the name come out as literals that
// read back as exactly their text, and the script holds nothing but the fixed frame around them.

#include "player/telemetry/ScriptCall.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

// Reads a literal as a script engine would: a double quote, \" \\ \uXXXX escapes, printable
// ASCII, a closing quote. None when the text is not exactly one such literal.
std::optional<QString> ReadLiteral(const QString& literal) {
    if (literal.size() < 2 || literal.front() != u'"' || literal.back() != u'"') {
        return std::nullopt;
    }
    QString text;
    for (qsizetype i = 1; i + 1 < literal.size(); ++i) {
        const char16_t c = literal[i].unicode();
        if (c < 0x20 || c >= 0x7F || c == u'"') {
            return std::nullopt;
        }
        if (c != u'\\') {
            text += QChar(c);
            continue;
        }
        if (i + 2 >= literal.size()) {
            return std::nullopt;
        }
        const char16_t next = literal[++i].unicode();
        if (next == u'"' || next == u'\\') {
            text += QChar(next);
        } else if (next == u'u' && i + 5 < literal.size()) {
            bool ok = false;
            const uint code = literal.mid(i + 1, 4).toUInt(&ok, 16);
            if (!ok) {
                return std::nullopt;
            }
            text += QChar(static_cast<char16_t>(code));
            i += 4;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

void ExpectLiteralOf(const QString& text) {
    const std::optional<QString> back = ReadLiteral(player::ScriptStringLiteral(text));
    if (!back || *back != text) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ExpectLiteralOf(text);
    const std::optional<player::ScriptCall> call = player::ParseScriptCall(text);
    if (!call) {
        return 0;
    }
    if (call->function.isEmpty() || call->function.trimmed() != call->function) {
        std::abort();
    }
    QStringList literals;
    for (const QString& argument : call->arguments) {
        if (argument.isEmpty()) {
            std::abort();
        }
        ExpectLiteralOf(argument);
        literals << player::ScriptStringLiteral(argument);
    }
    ExpectLiteralOf(call->function);
    // The script is the fixed frame with the literals in their places, and nothing else.
    const QString expected =
        QStringLiteral("(function () { const f = window[") +
        player::ScriptStringLiteral(call->function) +
        QStringLiteral("]; if (typeof f !== 'function') return ''; try { const r = f(") +
        literals.join(QLatin1Char(',')) +
        QStringLiteral(
            "); return r === undefined || r === null ? '' : String(r); }"
            " catch (e) { return ''; } })()");
    if (player::ScriptInvocation(*call) != expected) {
        std::abort();
    }
    return 0;
}
