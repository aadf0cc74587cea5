#include "platform/QtText.h"

#include "core/ByteText.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <unistd.h>
#include <utility>
#include <vector>

QString ToDisplayString(std::string_view bytes) {
    const auto size = static_cast<qsizetype>(bytes.size());
    if (bytetext::IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), size);
    return QString::fromLatin1(bytes.data(), size);
}

QByteArray LinesToUtf8(std::string_view text) {
    // Each line with its line feed: a line feed is ASCII, so it never changes whether
    // the line is valid UTF-8.
    std::vector<std::pair<std::string_view, bool>> lines;
    size_t size = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
        const std::string_view line = text.substr(start, end - start);
        const bool valid = bytetext::IsValidUtf8(line);
        lines.emplace_back(line, valid);
        size += bytetext::LineUtf8Size(line, valid);
        start = end;
    }
    QByteArray utf8(static_cast<qsizetype>(size), Qt::Uninitialized);
    char* out = utf8.data();
    for (const auto& [line, valid] : lines)
        out = bytetext::CopyLineAsUtf8(line, valid, out);
    return utf8;
}

namespace {

// Lone low surrogates U+DC80..U+DCFF stand for the bytes 0x80..0xFF that are no UTF-8.
constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscape(char16_t unit) {
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The length of the valid UTF-8 sequence at the start of `bytes` (at least one byte),
// or 0 when it starts with no valid sequence.
size_t Utf8SequenceLength(std::string_view bytes) {
    const auto c = static_cast<unsigned char>(bytes[0]);
    if (c < 0x80)
        return 1;
    size_t length = 0;
    if ((c & 0xE0) == 0xC0)
        length = 2;
    else if ((c & 0xF0) == 0xE0)
        length = 3;
    else if ((c & 0xF8) == 0xF0)
        length = 4;
    if (length == 0 || length > bytes.size())
        return 0;
    return bytetext::IsValidUtf8(bytes.substr(0, length)) ? length : 0;
}

// Whether `path` holds an escaped byte (a lone low surrogate of the escape range).
bool HoldsEscapes(const QString& path) {
    const char16_t* units = reinterpret_cast<const char16_t*>(path.utf16());
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (IsEscape(units[i]) && (i == 0 || !IsHighSurrogate(units[i - 1])))
            return true;
    }
    return false;
}

} // namespace

std::string PathToBytes(const QString& path) {
    if (!HoldsEscapes(path)) {
        const QByteArray utf8 = path.toUtf8();
        return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
    }
    std::string bytes;
    bytes.reserve(static_cast<size_t>(path.size()) * 3);
    const char16_t* units = reinterpret_cast<const char16_t*>(path.utf16());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = units[i];
        if (IsHighSurrogate(unit) && i + 1 < n && IsLowSurrogate(units[i + 1])) {
            // A pair is one character: valid UTF-8 of four bytes.
            const QByteArray utf8 = QString(reinterpret_cast<const QChar*>(units + i), 2).toUtf8();
            bytes.append(utf8.constData(), static_cast<size_t>(utf8.size()));
            ++i;
        } else if (IsEscape(unit)) {
            bytes.push_back(static_cast<char>(unit - kEscapeBase));
        } else {
            // Any other character; a stray surrogate becomes U+FFFD, as Qt makes it.
            const QByteArray utf8 = QString(QChar(unit)).toUtf8();
            bytes.append(utf8.constData(), static_cast<size_t>(utf8.size()));
        }
    }
    return bytes;
}

QString PathFromBytes(std::string_view bytes) {
    if (bytetext::IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString path;
    path.reserve(static_cast<qsizetype>(bytes.size()));
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length == 0) {
            path.append(QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
            continue;
        }
        path.append(QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(length)));
        i += length;
    }
    return path;
}

QString PathForDisplay(const QString& path) {
    if (!HoldsEscapes(path))
        return path;
    QString shown = path;
    char16_t* units = reinterpret_cast<char16_t*>(shown.data());
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (IsEscape(units[i]) && (i == 0 || !IsHighSurrogate(units[i - 1])))
            units[i] = static_cast<char16_t>(units[i] - kEscapeBase);
    }
    return shown;
}

QString AbsolutePath(const QString& path) {
    if (path.isEmpty())
        return path;
    std::string bytes = PathToBytes(path);
    if (bytes.front() != '/') {
        std::string cwd(256, '\0');
        while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
            if (errno != ERANGE)
                return path; // no working directory to resolve against: left as given
            cwd.resize(cwd.size() * 2);
        }
        cwd.resize(std::strlen(cwd.c_str()));
        bytes = cwd + "/" + bytes;
    }
    // Resolve by name: "." goes, ".." takes the part before it (none above the root).
    std::vector<std::string_view> parts;
    const std::string_view all(bytes);
    size_t start = 0;
    while (start <= all.size()) {
        const size_t end = std::min(all.find('/', start), all.size());
        const std::string_view part = all.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string clean;
    for (const std::string_view part : parts) {
        clean.push_back('/');
        clean.append(part);
    }
    return PathFromBytes(clean.empty() ? std::string_view("/") : std::string_view(clean));
}

QString PathFileName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
