#pragma once
// The application profile: brand, models, font, recording extensions and folders, sites, the
// program's folders, every window's skin script and every message's texts, read once from the
// pack's "Application.xml" and read-only afterwards. Load and read on the GUI thread.

#include "player/common/NameKey.h"
#include "player/common/RecordingCategory.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>

namespace player {

class ResourcePack;

inline constexpr char kProfileEntryName[] = "Application.xml";

// Window names, the keys of the scripts table.
inline constexpr char kWindowMain[] = "MAIN";
inline constexpr char kWindowAbout[] = "ABOUT";
inline constexpr char kWindowNotify[] = "NOTIFY";
inline constexpr char kWindowSelDrive[] = "SELDRIVE";
inline constexpr char kWindowGSensor[] = "GSENSOR";

// The ten message identifiers every loaded profile holds (possibly with empty texts).
inline constexpr char kMsgNoSrcFilter[] = "error-no-srcfilter";
inline constexpr char kMsgNoVidFilter[] = "error-no-vidfilter";
inline constexpr char kMsgRemoveDisk[] = "error-remove-disk";
inline constexpr char kMsgInvalidStream[] = "error-invalid-stream";
inline constexpr char kMsgNoInternet[] = "error-no-internet";
inline constexpr char kMsgNoSelectFile[] = "error-no-selectfile";
inline constexpr char kMsgCopyFile[] = "error-copy-file";
inline constexpr char kMsgDedicateDisk[] = "question-dedicate-disk";
inline constexpr char kMsgWantQuit[] = "question-want-quit";
inline constexpr char kMsgWantSetTime[] = "question-want-settime";

struct ProfileScript {
    QByteArray entryName;  // the pack entry it came from
    QByteArray script;     // the entry's bytes up to its first NUL (UTF-8 XML)
};

struct ProfileMessage {
    QString title;
    QString comment;
};

class AppProfile {
public:
    AppProfile() = default;

    // Reads "Application.xml" from the pack; the program folder is the running executable's.
    // False when the pack or the entry is missing or a required item is missing or empty;
    // fields read before the failure keep their values. The pack is used only during the call.
    bool LoadProfile(const ResourcePack* pack);
    // Same with a given program folder (tests, tools).
    bool LoadProfile(const ResourcePack* pack, const QString& programFolder);

    // The script of a window name, or nullptr when the table has none.
    const QByteArray* GetScript(const NameKey& target) const;
    // The (title, comment) of a message identifier, or nullptr when unknown.
    const ProfileMessage* GetMessage(const NameKey& id) const;
    // The card folder of a category; empty when the document gave none.
    QString GetCategoryFolder(RecordingCategory category) const;
    // Exact, case-sensitive match against the extensions list (no dot); false for "".
    bool IsKnownExtension(const QString& extension) const;

    const QString& Brand() const { return m_brand; }
    const QStringList& Models() const { return m_models; }
    const QString& ProgramFolder() const { return m_programFolder; }
    const QString& ImageFolder() const { return m_imageFolder; }
    const QString& ScriptFolder() const { return m_scriptFolder; }
    const QString& MapPage() const { return m_mapPage; }
    const QString& Config() const { return m_config; }
    const QString& Time() const { return m_time; }
    const QString& ViewerVersion() const { return m_viewerVersion; }
    const QString& ReleaseDate() const { return m_releaseDate; }
    const QString& FontFace() const { return m_fontFace; }
    int32_t FontSize() const { return m_fontSize; }
    const QString& Site() const { return m_site; }
    const QString& UpdateSite() const { return m_updateSite; }
    const std::map<NameKey, ProfileScript>& Scripts() const { return m_scripts; }
    const std::map<NameKey, ProfileMessage>& Messages() const { return m_messages; }
    const std::map<RecordingCategory, QString>& Folders() const { return m_folders; }
    const QStringList& Extensions() const { return m_extensions; }

    // The first failed item of the last load ("essential/brand is missing or empty"); empty
    // after a successful load. For tools; the player's start-up stays silent.
    const QString& FailureReason() const { return m_failure; }

private:
    class Loader;
    friend class Loader;

    const ResourcePack* m_pack = nullptr;
    QString m_brand;
    QStringList m_models;
    QString m_programFolder;
    QString m_imageFolder;
    QString m_scriptFolder;
    QString m_mapPage;
    QString m_config;
    QString m_time;
    QString m_viewerVersion = QStringLiteral("v1.0.0");
    QString m_releaseDate = QStringLiteral("2012년 02월 23일");
    QString m_fontFace = QStringLiteral("Arial");
    int32_t m_fontSize = -1;
    QString m_site;
    QString m_updateSite;
    std::map<NameKey, ProfileScript> m_scripts;
    std::map<NameKey, ProfileMessage> m_messages;
    std::map<RecordingCategory, QString> m_folders;
    QStringList m_extensions;
    QString m_failure;
};

}  // namespace player
