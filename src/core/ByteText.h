// Small helpers for text held as bytes. Log lines and configuration lines may hold any
// byte (NUL included); every comparison here works on bytes, never on characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bytetext {

// White space as CString's trimming counts it: space, tab, CR, LF, VT, FF.
constexpr bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

constexpr std::string_view TrimLeft(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    return text.substr(i);
}

constexpr std::string_view TrimRight(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && IsSpace(text[n - 1]))
        --n;
    return text.substr(0, n);
}

constexpr std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

// ASCII lower case only: A-Z become a-z, every other byte stays as it is.
constexpr char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view text);

// The program's substring rule: true when the first occurrence of `needle` in `text`
// starts at position 1 or later. A needle at the very start of the text does not count
// (even if it occurs again further on), and an empty needle never matches.
constexpr bool FoundAfterStart(std::string_view text, std::string_view needle) {
    const size_t pos = text.find(needle);
    return pos != std::string_view::npos && pos > 0;
}

// C's atoi on bytes: leading white space, an optional sign, then decimal digits; the first
// other byte ends the number; no digits give 0. Out-of-range values wrap as a 32-bit int
// would instead of being undefined.
int32_t Atoi(std::string_view text);

// Whether `bytes` are well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF). Log text is shown, copied and put on the clipboard as UTF-8 when it is, else
// as Latin-1, one character a byte.
bool IsValidUtf8(std::string_view bytes);
// That rule for text handed to other programs as UTF-8 bytes, line by line: a line that is
// valid UTF-8 goes as it is, any other as Latin-1 encoded in UTF-8 (two bytes for each
// byte from 0x80 up). `valid` is IsValidUtf8(line), which the caller has found out once.
size_t LineUtf8Size(std::string_view line, bool valid);
// Writes LineUtf8Size(line, valid) bytes at `out`; returns the end of what it wrote.
char* CopyLineAsUtf8(std::string_view line, bool valid, char* out);

} // namespace bytetext
