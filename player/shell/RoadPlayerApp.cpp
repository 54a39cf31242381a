#include "player/shell/RoadPlayerApp.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/ProcessMemory.h"
#include "platform/system/SettingsStore.h"
#include "player/pack/ImageCache.h"
#include "player/pack/ResourcePack.h"
#include "player/resources/DialogTemplates.h"
#include "player/shell/RoadPlayerDlg.h"
#include "player/shell/ShellLog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyleFactory>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace player {

namespace {

constexpr int kStartUpFailed = 1;
constexpr int kBadArguments = 2;
constexpr char kProgramName[] = "RoadPlayer";
constexpr char kRegistryKey[] = "Local AppWizard-Generated Applications";
// Set to a file name, the first painted main window writes the monotonic time (ns) and the
// resident memory (bytes) there and the player ends: the start-up benchmark's probe.
constexpr char kStartupProbeVariable[] = "ROADPLAYER_STARTUP_PROBE";

constexpr char kUsage[] =
    "usage: RoadPlayer [RECORDING]\n"
    "Plays the dash camera's recordings. With RECORDING, that recording is opened and played\n"
    "at once, as if chosen from the list.\n";

void WriteStartupProbe(const QString& file) {
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    platform::WriteFileAtomically(
        file,
        QByteArray::number(static_cast<qint64>(now)) + ' ' +
            QByteArray::number(static_cast<qint64>(platform::ResidentSetBytes().value_or(0))) +
            '\n');
}

}  // namespace

CRoadPlayerApp::CRoadPlayerApp() = default;
CRoadPlayerApp::~CRoadPlayerApp() = default;

const char* CRoadPlayerApp::Usage() {
    return kUsage;
}

QString CRoadPlayerApp::MissingDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return {};
    }
    return QStringLiteral(
        "no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set)");
}

int CRoadPlayerApp::Fail(const QString& what) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, what.toLocal8Bit().constData());
    std::fflush(stderr);
    return kStartUpFailed;
}

void CRoadPlayerApp::PrepareDecoderSettings() {
    const QString key = QString::fromLatin1(kDecoderKey);
    for (const char* value : kDecoderValues) {
        const QString name = QString::fromLatin1(value);
        // Written only when not 0 already: a start need not rewrite the settings file.
        if (platform::ReadRegistryDword(platform::RegistryScope::User, key, name) == 0u) {
            continue;
        }
        if (!platform::WriteRegistryDword(platform::RegistryScope::User, key, name, 0)) {
            qCInfo(lcShell) << "decoder setting" << value << "not written";
        }
    }
}

int CRoadPlayerApp::InitInstance(const QStringList& arguments) {
    QString recording;
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1Char('-')) || !recording.isEmpty()) {
            std::fputs(kUsage, stderr);
            return kBadArguments;
        }
        recording = QFileInfo(argument).absoluteFilePath();
    }

    m_instance = std::make_unique<platform::SingleInstance>(QStringLiteral("RoadPlayer-") +
                                                            platform::SingleInstance::DisplayKey());
    switch (m_instance->TryClaim(recording)) {
        case platform::SingleInstance::Claim::AlreadyRunning:
            return 0;
        case platform::SingleInstance::Claim::Unanswered:
            // The running player may hang; what this start was given is not lost with it.
            std::fprintf(stderr, "%s: %s; this start opens its own window\n", kProgramName,
                         m_instance->ErrorText().toLocal8Bit().constData());
            break;
        case platform::SingleInstance::Claim::Unavailable:
            qCWarning(lcShell) << "runs without the one-instance check:" << m_instance->ErrorText();
            break;
        case platform::SingleInstance::Claim::First:
            if (!m_instance->Listening()) {
                qCInfo(lcShell) << "later starts cannot reach this one:" << m_instance->ErrorText();
            }
            break;
    }

    QApplication::setOrganizationName(QString::fromLatin1(kRegistryKey));
    QApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(ProgramIcon());
    PrepareDecoderSettings();

    CRoadPlayerDlg dlg(m_profile);

    const QString packPath =
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kPackFileName));
    {
        ResourcePack pack;
        if (!pack.OpenPack(packPath)) {
            return Fail(QStringLiteral("cannot read the resource pack %1: %2")
                            .arg(QDir::toNativeSeparators(packPath),
                                 QString::fromUtf8(DescribePackError(pack.LastError()))));
        }
        if (!m_profile.LoadProfile(&pack)) {
            return Fail(QStringLiteral("the profile %1 in %2 is incomplete: %3")
                            .arg(QString::fromLatin1(kProfileEntryName), packPath,
                                 m_profile.FailureReason()));
        }
        if (!LoadPackImages(&pack, ImageCache::Instance())) {
            return Fail(QStringLiteral("the pictures of %1 cannot be read").arg(packPath));
        }
    }

    SkDialog::SetSkinFontDefaults({m_profile.FontFace(), m_profile.FontSize()});
    const QByteArray* script = m_profile.GetScript(NameKey(QString::fromLatin1(kWindowMain)));
    if (script == nullptr || script->isEmpty()) {
        return Fail(QStringLiteral("the profile in %1 names no skin for the window \"%2\"")
                        .arg(packPath, QString::fromLatin1(kWindowMain)));
    }
    if (!dlg.LoadSkin(*script) || !dlg.SkinComplete()) {
        return Fail(QStringLiteral("the skin of the window \"%1\" in %2 cannot be read")
                        .arg(QString::fromLatin1(kWindowMain), packPath));
    }

    m_instance->SetActivationHandler([&dlg](const QString& file) {
        dlg.raise();
        dlg.activateWindow();
        if (!file.isEmpty()) {
            dlg.OpenHandedOver(file);
        }
    });
    if (!recording.isEmpty()) {
        dlg.OpenAtStart(recording);
    }
    if (const QString probe = qEnvironmentVariable(kStartupProbeVariable); !probe.isEmpty()) {
        dlg.SetFirstPaintHandler([&dlg, probe] {
            WriteStartupProbe(probe);
            QTimer::singleShot(0, &dlg, [&dlg] { dlg.EndDialog(platform::IDOK); });
        });
    }
    dlg.DoModal();
    m_instance->SetActivationHandler(nullptr);
    return 0;
}

int CRoadPlayerApp::ExitInstance() {
    ImageCache::Destroy();
    return 0;
}

}  // namespace player
