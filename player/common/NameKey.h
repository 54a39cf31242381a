#pragma once
// A wide name with its djb2 hash and an empty flag: the key of the profile's tables, the image
// cache and control names. Keys order and compare by the string alone (UTF-16 code units);
// the hash travels with the key. A value type; any thread may use its own copies.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>
#include <string_view>

namespace player {

class NameKey {
public:
    NameKey();
    explicit NameKey(QString text);
    // UTF-8 bytes, as names stand in packs and XML documents.
    explicit NameKey(std::string_view utf8);
    explicit NameKey(const char* utf8);
    explicit NameKey(const QByteArray& utf8);

    const QString& Text() const { return m_text; }
    uint32_t Hash() const { return m_hash; }
    bool IsEmpty() const { return m_empty; }

    // djb2 over UTF-16 code units: h = 5381, then h = h * 33 + unit, wrapping at 32 bits.
    static uint32_t Djb2(QStringView text);

    friend bool operator==(const NameKey& a, const NameKey& b) { return a.m_text == b.m_text; }
    friend std::strong_ordering operator<=>(const NameKey& a, const NameKey& b);

private:
    QString m_text;
    uint32_t m_hash;
    bool m_empty;
};

}  // namespace player
