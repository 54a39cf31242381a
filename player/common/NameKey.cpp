#include "player/common/NameKey.h"

#include <utility>

namespace player {

NameKey::NameKey() : m_hash(Djb2({})), m_empty(true) {}

NameKey::NameKey(QString text)
    : m_text(std::move(text)), m_hash(Djb2(m_text)), m_empty(m_text.isEmpty()) {}

NameKey::NameKey(std::string_view utf8)
    : NameKey(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))) {}

NameKey::NameKey(const char* utf8) : NameKey(std::string_view(utf8 ? utf8 : "")) {}

NameKey::NameKey(const QByteArray& utf8) : NameKey(QString::fromUtf8(utf8)) {}

uint32_t NameKey::Djb2(QStringView text) {
    uint32_t hash = 5381;
    for (const QChar unit : text) {
        hash = hash * 33u + unit.unicode();
    }
    return hash;
}

std::strong_ordering operator<=>(const NameKey& a, const NameKey& b) {
    // QString's case-sensitive compare is plain code-unit order.
    const int order = QString::compare(a.m_text, b.m_text, Qt::CaseSensitive);
    if (order < 0) {
        return std::strong_ordering::less;
    }
    return order > 0 ? std::strong_ordering::greater : std::strong_ordering::equal;
}

}  // namespace player
