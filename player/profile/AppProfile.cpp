#include "player/profile/AppProfile.h"

#include "player/common/NormalizePath.h"
#include "player/pack/ResourcePack.h"

#include <tinyxml2.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>

namespace player {

namespace {

using tinyxml2::XMLElement;

constexpr std::array<const char*, 10> kPresetMessages = {
    kMsgNoSrcFilter,  kMsgNoVidFilter, kMsgRemoveDisk,   kMsgInvalidStream, kMsgNoInternet,
    kMsgNoSelectFile, kMsgCopyFile,    kMsgDedicateDisk, kMsgWantQuit,      kMsgWantSetTime};

constexpr char kExtensionSeparators[] = "|\r\n, ";

// Element text as the document's readers see it: only when the first child is a text node.
std::optional<QString> TextOf(const XMLElement* element) {
    if (element == nullptr) {
        return std::nullopt;
    }
    const char* text = element->GetText();
    if (text == nullptr) {
        return std::nullopt;
    }
    return QString::fromUtf8(text);
}

// "%d" reading: optional leading space and sign, then digits; trailing bytes are ignored.
std::optional<int32_t> ParseDecimal(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

// Fills one profile from the parsed document; each Read step stops the load at its first
// failure, recording which item failed.
class AppProfile::Loader {
public:
    explicit Loader(AppProfile& profile) : m_p(profile) {}

    bool Fail(const char* item, const char* problem) {
        m_p.m_failure = QStringLiteral("%1 %2").arg(QLatin1String(item), QLatin1String(problem));
        return false;
    }

    bool ReadEssential(const XMLElement& essential) {
        return ReadBrand(essential) && ReadModels(essential) && ReadFont(essential) &&
               ReadExtensions(essential) && ReadSites(essential) && ReadPaths(essential) &&
               ReadFolders(essential);
    }

    bool ReadBrand(const XMLElement& essential) {
        std::optional<QString> brand = TextOf(essential.FirstChildElement("brand"));
        if (!brand || brand->isEmpty()) {
            return Fail("essential/brand", "is missing or empty");
        }
        m_p.m_brand = *brand;
        return true;
    }

    bool ReadModels(const XMLElement& essential) {
        const XMLElement* models = essential.FirstChildElement("models");
        if (models == nullptr) {
            return Fail("essential/models", "is missing");
        }
        for (const XMLElement* model = models->FirstChildElement("model"); model != nullptr;
             model = model->NextSiblingElement("model")) {
            if (std::optional<QString> text = TextOf(model)) {
                m_p.m_models.append(*text);
            }
        }
        if (m_p.m_models.isEmpty()) {
            return Fail("essential/models", "holds no model with text");
        }
        return true;
    }

    bool ReadFont(const XMLElement& essential) {
        const XMLElement* font = essential.FirstChildElement("font");
        if (font == nullptr) {
            return Fail("essential/font", "is missing");
        }
        const std::optional<int32_t> size = ParseDecimal(font->Attribute("size"));
        if (!size) {
            return Fail("essential/font size", "is missing or not a number");
        }
        m_p.m_fontSize = *size;
        if (*size < 0) {
            return Fail("essential/font size", "is negative");
        }
        std::optional<QString> face = TextOf(font);
        if (!face) {
            return Fail("essential/font", "names no font face");
        }
        m_p.m_fontFace = *face;
        return true;
    }

    bool ReadExtensions(const XMLElement& essential) {
        const XMLElement* extension = essential.FirstChildElement("extension");
        if (extension == nullptr) {
            return Fail("essential/extension", "is missing");
        }
        const QString text = TextOf(extension).value_or(QString());
        QString token;
        for (const QChar unit : text) {
            if (QLatin1String(kExtensionSeparators).contains(unit)) {
                if (!token.isEmpty()) {
                    m_p.m_extensions.append(token);
                }
                token.clear();
            } else {
                token.append(unit);
            }
        }
        if (!token.isEmpty()) {
            m_p.m_extensions.append(token);
        }
        return true;
    }

    bool ReadSites(const XMLElement& essential) {
        m_p.m_site = TextOf(essential.FirstChildElement("site")).value_or(QString());
        m_p.m_updateSite = TextOf(essential.FirstChildElement("updatesite")).value_or(QString());
        return true;
    }

    bool ReadFolderPath(const XMLElement& path, const char* name, QString& out) {
        std::optional<QString> text = TextOf(path.FirstChildElement(name));
        if (!text) {
            return Fail(name, "under essential/path is missing or empty");
        }
        // Without a program folder the text stays relative rather than becoming "/text".
        out = NormalizePath(m_p.m_programFolder.isEmpty() ? *text
                                                          : m_p.m_programFolder + u'/' + *text);
        if (out.isEmpty()) {
            return Fail(name, "under essential/path names no folder");
        }
        return true;
    }

    bool ReadPlainPath(const XMLElement& path, const char* name, QString& out) {
        std::optional<QString> text = TextOf(path.FirstChildElement(name));
        if (!text || text->isEmpty()) {
            return Fail(name, "under essential/path is missing or empty");
        }
        out = *text;
        return true;
    }

    bool ReadPaths(const XMLElement& essential) {
        const XMLElement* path = essential.FirstChildElement("path");
        if (path == nullptr) {
            return Fail("essential/path", "is missing");
        }
        return ReadFolderPath(*path, "script", m_p.m_scriptFolder) &&
               ReadFolderPath(*path, "image", m_p.m_imageFolder) &&
               ReadFolderPath(*path, "map", m_p.m_mapPage) &&
               ReadPlainPath(*path, "config", m_p.m_config) &&
               ReadPlainPath(*path, "time", m_p.m_time);
    }

    bool ReadFolders(const XMLElement& essential) {
        const XMLElement* sdcard = essential.FirstChildElement("sdcard");
        if (sdcard == nullptr) {
            return Fail("essential/sdcard", "is missing");
        }
        for (const XMLElement* dir = sdcard->FirstChildElement("dir"); dir != nullptr;
             dir = dir->NextSiblingElement("dir")) {
            const char* id = dir->Attribute("id");
            const RecordingCategory category =
                RecordingCategoryFromId(id != nullptr ? QString::fromUtf8(id) : QString());
            std::optional<QString> folder = TextOf(dir);
            // A known id without text leaves the category as it was.
            if (category != RecordingCategory::Unknown && folder) {
                m_p.m_folders[category] = *folder;
            }
        }
        return true;
    }

    void ReadScripts(const XMLElement& scripts) {
        for (const XMLElement* script = scripts.FirstChildElement("script"); script != nullptr;
             script = script->NextSiblingElement("script")) {
            const tinyxml2::XMLAttribute* target = script->FirstAttribute();
            if (target == nullptr || std::string_view(target->Name()) != "target") {
                continue;
            }
            const char* entryName = script->GetText();
            if (entryName == nullptr || m_p.m_pack == nullptr) {
                continue;
            }
            const char* data = m_p.m_pack->FindText(entryName);
            if (data == nullptr) {
                continue;
            }
            m_p.m_scripts.try_emplace(NameKey(target->Value()),
                                      ProfileScript{QByteArray(entryName), QByteArray(data)});
        }
    }

    void ReadMessages(const XMLElement& messages) {
        for (const XMLElement* message = messages.FirstChildElement("message"); message != nullptr;
             message = message->NextSiblingElement("message")) {
            const NameKey id(message->Attribute("id"));
            if (id.IsEmpty()) {
                continue;
            }
            std::optional<QString> title = TextOf(message->FirstChildElement("title"));
            std::optional<QString> comment = TextOf(message->FirstChildElement("comment"));
            ProfileMessage& stored = m_p.m_messages[id];
            if (title) {
                stored.title = *title;
            }
            if (comment) {
                stored.comment = *comment;
            }
        }
    }

private:
    AppProfile& m_p;
};

bool AppProfile::LoadProfile(const ResourcePack* pack) {
    return LoadProfile(pack, ExecutableFolder());
}

bool AppProfile::LoadProfile(const ResourcePack* pack, const QString& programFolder) {
    Loader loader(*this);
    m_failure.clear();
    m_programFolder = programFolder;
    m_pack = pack;
    const char* text = pack != nullptr ? pack->FindText(kProfileEntryName) : nullptr;
    if (text == nullptr) {
        m_pack = nullptr;
        return loader.Fail(kProfileEntryName, "is not in the pack");
    }
    // The original reader condensed whitespace; a malformed document simply yields no root.
    tinyxml2::XMLDocument document(true, tinyxml2::COLLAPSE_WHITESPACE);
    document.Parse(text);
    const XMLElement* root = document.RootElement();
    const XMLElement* essential = root ? root->FirstChildElement("essential") : nullptr;
    const XMLElement* scripts = root ? root->FirstChildElement("scripts") : nullptr;
    if (essential == nullptr || scripts == nullptr) {
        m_pack = nullptr;
        return loader.Fail(kProfileEntryName, "lacks a root with essential and scripts");
    }
    for (const char* id : kPresetMessages) {
        m_messages.try_emplace(NameKey(id));
    }
    bool loaded = loader.ReadEssential(*essential);
    if (loaded) {
        loader.ReadScripts(*scripts);
        if (const XMLElement* messages = root->FirstChildElement("messages")) {
            loader.ReadMessages(*messages);
        }
    }
    m_pack = nullptr;  // the pack may be destroyed after the load
    return loaded;
}

const QByteArray* AppProfile::GetScript(const NameKey& target) const {
    auto it = m_scripts.find(target);
    return it != m_scripts.end() ? &it->second.script : nullptr;
}

const ProfileMessage* AppProfile::GetMessage(const NameKey& id) const {
    auto it = m_messages.find(id);
    return it != m_messages.end() ? &it->second : nullptr;
}

QString AppProfile::GetCategoryFolder(RecordingCategory category) const {
    auto it = m_folders.find(category);
    return it != m_folders.end() ? it->second : QString();
}

bool AppProfile::IsKnownExtension(const QString& extension) const {
    return !extension.isEmpty() && m_extensions.contains(extension, Qt::CaseSensitive);
}

}  // namespace player
