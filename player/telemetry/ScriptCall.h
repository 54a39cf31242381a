#pragma once
// Calls into the map page as the player words them ("javascript:DrawCurrent('1.5', '2.5')"):
// the text is split into a function name and string arguments, and the call is rebuilt as
// script in which every argument is a string literal and the function is looked up by name,
// so no text of the call can run as script of its own. Any thread.

#include <QString>
#include <QStringList>

#include <optional>

namespace player {

struct ScriptCall {
    QString function;
    QStringList arguments;
};

// Drops everything up to and including "javascript:"; the name is the text before the first
// "(", trimmed; the arguments are the text after it split at space , ' " tab ( ) ; with empty
// pieces dropped. None for an empty text or an empty name.
std::optional<ScriptCall> ParseScriptCall(const QString& text);

// A double-quoted script string literal holding exactly `text`: quote, backslash and every
// character outside printable ASCII are escaped.
QString ScriptStringLiteral(const QString& text);

// Script that calls the page's global function of that name with the arguments as strings
// and evaluates to its result as a string: "" when the function does not exist, throws or
// returns nothing.
QString ScriptInvocation(const ScriptCall& call);

}  // namespace player
