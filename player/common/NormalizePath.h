#pragma once
// The path routine shared by the profile and the image cache. Any thread may call.

#include <QString>

namespace player {

// Splits at "\" and "/" (empty components vanish), drops ".", lets ".." remove itself and the
// component before it, and joins with "/". An absolute input ("/" first) keeps its leading
// "/"; no trailing separator is produced; an empty input gives an empty result.
QString NormalizePath(const QString& path);

// The folder of the running executable, without a trailing "/"; empty when it is unknown.
// Uses the application object when one exists, else /proc/self/exe.
QString ExecutableFolder();

}  // namespace player
