#pragma once
// The place of an embedded web page (skin type "map") in a window that shows none, such as a
// skin preview: placement only. A window that shows the page makes its own widget for the
// word (SkDialog::OnRegisterTypes). GUI thread only.

#include "player/skin/SkWidget.h"

namespace player {

class SkWebPlaceholder : public SkWidget {};

}  // namespace player
