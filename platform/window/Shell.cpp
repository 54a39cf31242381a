#include "platform/window/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {
namespace {

OpenUrlHandler& UrlSlot() {
    static OpenUrlHandler handler;
    return handler;
}

}  // namespace

bool ShellOpenUrl(const QString& url) {
    if (UrlSlot()) {
        return UrlSlot()(url);
    }
    const QUrl address = QUrl::fromUserInput(url);
    return address.isValid() && QDesktopServices::openUrl(address);
}

OpenUrlHandler SetOpenUrlHandler(OpenUrlHandler handler) {
    OpenUrlHandler previous = std::move(UrlSlot());
    UrlSlot() = std::move(handler);
    return previous;
}

}  // namespace platform
