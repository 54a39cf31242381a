#include "platform/window/ComboBox.h"

#include "platform/window/WinTypes.h"
#include "platform/window/Window.h"

namespace platform {

void ComboBox::showPopup() {
    SendNotify(this, CBN_DROPDOWN, 0);
    QComboBox::showPopup();
}

}  // namespace platform
