#include "platform/system/FilePaths.h"

#include <cstdlib>
#include <memory>

#include <sys/stat.h>

namespace platform {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // byte b (0x80..0xFF) is kept as U+DC00 + b
constexpr char32_t kReplacement = 0xFFFD;

// The length of the valid UTF-8 sequence at bytes[0] and its code point; 0 when invalid.
size_t ValidSequence(const unsigned char* bytes, size_t left, char32_t* point) {
    const unsigned char lead = bytes[0];
    size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
        least = 0x10000;
    } else {
        return 0;
    }
    if (length > left) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0u) != 0x80u) {
            return 0;
        }
        value = (value << 6) | (bytes[i] & 0x3Fu);
    }
    // Overlong forms, surrogates and points past the last are not text.
    if (value < least || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        return 0;
    }
    *point = value;
    return length;
}

void AppendUtf8(char32_t point, QByteArray* out) {
    if (point < 0x80) {
        out->append(static_cast<char>(point));
    } else if (point < 0x800) {
        out->append(static_cast<char>(0xC0 | (point >> 6)));
        out->append(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
        out->append(static_cast<char>(0xE0 | (point >> 12)));
        out->append(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out->append(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
        out->append(static_cast<char>(0xF0 | (point >> 18)));
        out->append(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
        out->append(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out->append(static_cast<char>(0x80 | (point & 0x3F)));
    }
}

}  // namespace

QByteArray EncodePath(const QString& path) {
    QByteArray out;
    out.reserve(path.size());
    const char16_t* units = reinterpret_cast<const char16_t*>(path.utf16());
    const auto count = static_cast<size_t>(path.size());
    for (size_t i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            out.append(static_cast<char>(unit));
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
                   units[i + 1] <= 0xDFFF) {
            AppendUtf8(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (units[i + 1] - 0xDC00), &out);
            ++i;
        } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            out.append(static_cast<char>(unit - kEscapeBase));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(kReplacement, &out);
        } else {
            AppendUtf8(unit, &out);
        }
    }
    return out;
}

QString DecodePath(const char* bytes, size_t size) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    size_t ascii = 0;
    while (ascii < size && data[ascii] < 0x80) {
        ++ascii;
    }
    if (ascii == size) {
        return QString::fromLatin1(bytes, static_cast<qsizetype>(size));
    }
    QString out = QString::fromLatin1(bytes, static_cast<qsizetype>(ascii));
    for (size_t i = ascii; i < size;) {
        char32_t point = 0;
        if (data[i] < 0x80) {
            out.append(QChar(data[i]));
            ++i;
        } else if (const size_t length = ValidSequence(data + i, size - i, &point); length > 0) {
            if (point >= 0x10000) {
                out.append(QChar(QChar::highSurrogate(point)));
                out.append(QChar(QChar::lowSurrogate(point)));
            } else {
                out.append(QChar(static_cast<char16_t>(point)));
            }
            i += length;
        } else {
            out.append(QChar(static_cast<char16_t>(kEscapeBase + data[i])));
            ++i;
        }
    }
    return out;
}

QString DecodePath(const QByteArray& bytes) {
    return DecodePath(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool PathExists(const QString& path) {
    struct stat info {};
    return ::lstat(EncodePath(path).constData(), &info) == 0;
}

bool SameFile(const QString& a, const QString& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(EncodePath(a).constData(), &first) == 0 &&
           ::stat(EncodePath(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

QString ResolvedPath(const QString& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(EncodePath(path).constData(), nullptr), &std::free);
    return resolved ? DecodePath(QByteArray(resolved.get())) : QString();
}

}  // namespace platform
