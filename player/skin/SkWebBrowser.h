#pragma once
// The embedded web page (the map); its skin gives only placement. GUI thread only.

#include "player/skin/SkWidget.h"

namespace player {

class SkWebBrowser : public SkWidget {};

}  // namespace player
