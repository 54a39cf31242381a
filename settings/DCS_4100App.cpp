#include "DCS_4100App.h"

#include "platform/window/SystemDialogs.h"
#include "settings/DCS_4100Dlg.h"

#include <QApplication>
#include <QStyleFactory>

namespace settings {
namespace {

const char* const kRegistryKey = "Local AppWizard-Generated Applications";
const char* const kApplicationName = "DCS_4100";

}  // namespace

int CDCS_4100App::InitInstance() {
    QApplication::setOrganizationName(QString::fromUtf8(kRegistryKey));
    QApplication::setApplicationName(QString::fromUtf8(kApplicationName));
    // One look everywhere, whatever the desktop's theme.
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    if (qEnvironmentVariableIsSet(kBrowseAnswerVariable)) {
        platform::SetFolderBrowserHandler([](const platform::FolderRequest&) {
            return std::optional<QString>(qEnvironmentVariable(kBrowseAnswerVariable));
        });
    }
    CDCS_4100Dlg dlg;
    dlg.DoModal();
    return 0;
}

}  // namespace settings
