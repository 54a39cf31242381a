#pragma once
// skin-preview: renders one window of a resource pack in one window mode to a picture, the
// way the player builds it (pack, profile, pictures, skin parse, binding, ApplyMode), with
// every control the skin defines shown. For skin authors and tests. GUI thread only.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace skinpreview {

struct PreviewRequest {
    QString packPath;
    QString window;  // "MAIN", "NOTIFY", ...
    int mode = 0;
    // NAME=VALUE: a text's text, a slider's value, a button's state word (normal, checked,
    // pushed, disabled, hover, pushed2, hover2), a list's rows ("a,b;*c,d": "," between
    // sub-items, ";" between rows, "*" selects a row), or "hide" for any control.
    std::vector<std::pair<QString, QString>> states;
    QSize screen;            // empty: the real primary screen (1920x1080 offscreen)
    bool maximised = false;  // the window fills the screen (MAIN mode 1 always does)
};

struct PreviewResult {
    QImage image;
    int controls = 0;
    QStringList warnings;  // pictures a control names but the pack lacks
};

// Parses the command line (without the program name); none with `error` set when it is wrong.
std::optional<std::pair<PreviewRequest, QString>> ParseArguments(const QStringList& args,
                                                                 QString& error);
// Renders the window; none with `error` set (pack, profile, script or a state is wrong).
std::optional<PreviewResult> RenderPreview(const PreviewRequest& request, QString& error);

}  // namespace skinpreview
