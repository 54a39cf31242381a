#pragma once
// Opening an address with the desktop's own handler (the web browser for a web site), through
// one entry point a test can answer in its place. GUI thread only.

#include <QString>

#include <functional>

namespace platform {

using OpenUrlHandler = std::function<bool(const QString& url)>;

// Hands url to the desktop; false when no handler took it (an empty address included).
bool ShellOpenUrl(const QString& url);
// Replaces the desktop's handler; an empty one brings it back. Returns the previous.
OpenUrlHandler SetOpenUrlHandler(OpenUrlHandler handler);

}  // namespace platform
