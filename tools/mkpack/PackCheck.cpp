#include "tools/mkpack/PackCheck.h"

#include "player/pack/ImageCache.h"
#include "player/pack/ResourcePack.h"
#include "player/profile/AppProfile.h"

#include <QFileInfo>

#include <tinyxml2.h>

#include <array>

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

bool CheckImages(const ResourcePack& pack, QTextStream& out, QTextStream& err) {
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
    if (!CheckScripts(profile, out, err) || !CheckImages(pack, out, err)) {
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
