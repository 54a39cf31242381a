#include "tools/mkpack/PackCheck.h"

#include "player/pack/ImageCache.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"
#include "player/skin/ParseSkin.h"
#include "player/skin/TypeFactory.h"
#include "player/skin/WindowSkin.h"

#include <QFileInfo>

#include <tinyxml2.h>

#include <array>
#include <set>

namespace mkpack {

namespace {

using player::AppProfile;
using player::ResourcePack;

constexpr std::array<const char*, 5> kWindows = {player::kWindowMain, player::kWindowAbout,
                                                 player::kWindowNotify, player::kWindowSelDrive,
                                                 player::kWindowGSensor};

int Failure(QTextStream& err, const QString& reason) {
    err << "mkpack check: " << reason << Qt::endl;
    return 1;
}

bool OpenOrReport(ResourcePack& pack, const QString& packPath, QTextStream& err,
                  const char* command) {
    if (pack.OpenPack(packPath)) {
        return true;
    }
    err << "mkpack " << command << ": " << packPath << ": "
        << player::DescribePackError(pack.LastError()) << Qt::endl;
    return false;
}

void PrintEntries(const ResourcePack& pack, QTextStream& out) {
    out << "text entries: " << pack.TextCount() << Qt::endl;
    for (int i = 0; i < pack.TextCount(); ++i) {
        const player::PackTextEntry& entry = pack.TextAt(i);
        out << "  " << entry.data.size() << "  " << QString::fromUtf8(entry.name) << Qt::endl;
    }
    out << "image entries: " << pack.ImageCount() << Qt::endl;
    for (int i = 0; i < pack.ImageCount(); ++i) {
        const player::PackImageEntry& entry = pack.ImageAt(i);
        out << "  " << entry.Size() << "  " << entry.key.Text() << Qt::endl;
    }
}

void PrintProfile(const AppProfile& profile, QTextStream& out) {
    out << "brand: " << profile.Brand() << Qt::endl;
    out << "models: " << profile.Models().join(QStringLiteral(", ")) << Qt::endl;
    out << "font: " << profile.FontFace() << " " << profile.FontSize() << Qt::endl;
    out << "extensions: " << profile.Extensions().join(u' ') << Qt::endl;
    out << "site: " << profile.Site() << Qt::endl;
    out << "update site: " << profile.UpdateSite() << Qt::endl;
    out << "program folder: " << profile.ProgramFolder() << Qt::endl;
    out << "script folder: " << profile.ScriptFolder() << Qt::endl;
    out << "image folder: " << profile.ImageFolder() << Qt::endl;
    out << "map page: " << profile.MapPage() << Qt::endl;
    out << "config: " << profile.Config() << Qt::endl;
    out << "time: " << profile.Time() << Qt::endl;
    out << "folders:" << Qt::endl;
    for (const auto& [category, folder] : profile.Folders()) {
        out << "  " << player::RecordingCategoryId(category).toString() << " = " << folder
            << Qt::endl;
    }
    out << "scripts:" << Qt::endl;
    for (const auto& [target, script] : profile.Scripts()) {
        out << "  " << target.Text() << " = " << QString::fromUtf8(script.entryName) << " ("
            << script.script.size() << " bytes)" << Qt::endl;
    }
    out << "messages:" << Qt::endl;
    for (const auto& [id, message] : profile.Messages()) {
        out << "  " << id.Text() << ": \"" << message.title << "\" / \"" << message.comment << "\""
            << Qt::endl;
    }
}

// Scripts must at least be well-formed XML, or their window could never be built.
bool CheckScripts(const AppProfile& profile, QTextStream& out, QTextStream& err) {
    for (const auto& [target, script] : profile.Scripts()) {
        tinyxml2::XMLDocument document;
        if (document.Parse(script.script.constData()) != tinyxml2::XML_SUCCESS) {
            Failure(err, QStringLiteral("script %1 (%2) is not well-formed XML: %3")
                             .arg(target.Text(), QString::fromUtf8(script.entryName),
                                  QString::fromUtf8(document.ErrorStr())));
            return false;
        }
    }
    for (const char* window : kWindows) {
        const QByteArray* script = profile.GetScript(player::NameKey(window));
        if (script == nullptr || script->isEmpty()) {
            out << "warning: no script for window " << window << Qt::endl;
        }
    }
    for (const auto& [id, message] : profile.Messages()) {
        if (message.title.isEmpty() || message.comment.isEmpty()) {
            out << "warning: message " << id.Text() << " has an empty title or comment" << Qt::endl;
        }
    }
    return true;
}

// A picture the player cannot tell apart or decode would be dropped without a word.
bool CheckImageEntries(const ResourcePack& pack, QTextStream& err) {
    std::set<player::NameKey> seen;
    int index = 0;
    for (const player::PackDirEntry& entry : pack.ImageDirectory()) {
        const player::NameKey key(entry.name);
        QString problem;
        if (key.IsEmpty()) {
            problem = QStringLiteral("image entry %1 has an empty name").arg(index);
        } else if (!seen.insert(key).second) {
            problem = QStringLiteral("image entry %1 is named twice").arg(key.Text());
        } else if (entry.size == 0) {
            problem = QStringLiteral("image entry %1 is empty").arg(key.Text());
        }
        if (!problem.isEmpty()) {
            Failure(err, problem);
            return false;
        }
        ++index;
    }
    return true;
}

// The player's windows register the names their skins define; the check takes every name the
// document gives (the kind only matters when a window binds the control).
void RegisterDocumentControls(const QByteArray& script, player::WindowSkin& skin) {
    tinyxml2::XMLDocument document;
    if (document.Parse(script.constData(), static_cast<size_t>(script.size())) !=
        tinyxml2::XML_SUCCESS) {
        return;
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    const tinyxml2::XMLElement* controls = root ? root->FirstChildElement("controls") : nullptr;
    for (const tinyxml2::XMLElement* e = controls ? controls->FirstChildElement() : nullptr;
         e != nullptr; e = e->NextSiblingElement()) {
        if (const char* id = e->Attribute("id")) {
            skin.RegisterControl(player::NameKey(id), player::ControlKind::Image, 0);
        }
    }
}

// Every skin the profile names must build its window: it parses whole, within the limits, and
// every picture it names is in the pack.
bool CheckSkins(const AppProfile& profile, QTextStream& err) {
    const player::SkinFontDefaults fonts{profile.FontFace(), profile.FontSize()};
    for (const auto& [target, script] : profile.Scripts()) {
        player::WindowSkin skin;
        RegisterDocumentControls(script.script, skin);
        const player::TypeFactory factory = player::TypeFactory::CreateDefault();
        QString failure;
        if (!player::ParseSkin(script.script, skin, factory, fonts, &failure)) {
            Failure(err, QStringLiteral("skin %1 (%2): %3")
                             .arg(target.Text(), QString::fromUtf8(script.entryName), failure));
            return false;
        }
        const QStringList missing = player::MissingPictures(skin);
        if (!missing.isEmpty()) {
            Failure(err, QStringLiteral("skin %1 (%2): %3")
                             .arg(target.Text(), QString::fromUtf8(script.entryName),
                                  missing.join(QStringLiteral("; "))));
            return false;
        }
    }
    return true;
}

bool CheckImages(const ResourcePack& pack, QTextStream& out, QTextStream& err) {
    if (!CheckImageEntries(pack, err)) {
        return false;
    }
    player::ImageCache& cache = player::ImageCache::Instance();
    if (!player::LoadPackImages(&pack, cache)) {
        Failure(err, QStringLiteral("the pack images could not be loaded"));
        return false;
    }
    for (int i = 0; i < pack.ImageCount(); ++i) {
        const player::NameKey& key = pack.ImageAt(i).key;
        if (!cache.UseCount(key)) {
            Failure(err, QStringLiteral("image entry %1 cannot be decoded").arg(key.Text()));
            return false;
        }
    }
    out << "images decoded: " << cache.Size() << Qt::endl;
    return true;
}

}  // namespace

int RunCheck(const QString& packPath, QTextStream& out, QTextStream& err) {
    ResourcePack pack;
    if (!OpenOrReport(pack, packPath, err, "check")) {
        return 1;
    }
    out << "pack: " << packPath << Qt::endl;
    PrintEntries(pack, out);
    AppProfile profile;
    const QString programFolder = QFileInfo(packPath).absolutePath();
    if (!profile.LoadProfile(&pack, programFolder)) {
        return Failure(err, QStringLiteral("profile: %1").arg(profile.FailureReason()));
    }
    PrintProfile(profile, out);
    const player::ImageCache::Scope images;
    if (!CheckScripts(profile, out, err) || !CheckImages(pack, out, err) ||
        !CheckSkins(profile, err)) {
        return 1;
    }
    out << "ok" << Qt::endl;
    return 0;
}

int RunList(const QString& packPath, QTextStream& out, QTextStream& err) {
    ResourcePack pack;
    if (!OpenOrReport(pack, packPath, err, "list")) {
        return 1;
    }
    for (int i = 0; i < pack.TextCount(); ++i) {
        const player::PackTextEntry& entry = pack.TextAt(i);
        out << "text  " << entry.data.size() << "  " << QString::fromUtf8(entry.name) << Qt::endl;
    }
    for (int i = 0; i < pack.ImageCount(); ++i) {
        const player::PackImageEntry& entry = pack.ImageAt(i);
        out << "image  " << entry.Size() << "  " << entry.key.Text() << Qt::endl;
    }
    return 0;
}

}  // namespace mkpack
