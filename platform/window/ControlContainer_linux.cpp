#include "platform/window/ControlContainer.h"

#include <QByteArray>

#include <unistd.h>

namespace platform {

void EnableControlContainer() {
    // No shared graphics context is asked for here: making one at start-up loads the whole
    // graphics stack before the first paint. The engine works without it.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
}

}  // namespace platform
