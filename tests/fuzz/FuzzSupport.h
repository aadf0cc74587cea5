// Helpers shared by the fuzz targets: a check that fails in every build type, the input
// as a file, and the two-section text layout several targets read their input in.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

// Unlike assert, also checks in the RelWithDebInfo build the fuzzers use.
#define FUZZ_CHECK(condition)                                                                                \
    ((condition) ? static_cast<void>(0) : ::fuzz::Fail(#condition, __FILE__, __LINE__))

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return size == 0 ? std::string_view() : std::string_view(reinterpret_cast<const char*>(data), size);
}

// One in-memory file per process, rewritten for every input: code under test opens it by
// path (/proc/self/fd/N), so no disk is touched and no file is left behind.
class InputFile {
public:
    InputFile() : m_fd(::memfd_create("quorvix-fuzz", MFD_CLOEXEC)) {
        if (m_fd < 0)
            Fail("memfd_create", __FILE__, __LINE__);
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Replaces the file's content with the given parts, one after the other.
    const std::string& Write(std::initializer_list<std::string_view> parts) {
        if (::ftruncate(m_fd, 0) != 0)
            Fail("ftruncate", __FILE__, __LINE__);
        off_t at = 0;
        for (std::string_view part : parts) {
            size_t done = 0;
            while (done < part.size()) {
                const ssize_t n = ::pwrite(m_fd, part.data() + done, part.size() - done, at);
                if (n <= 0)
                    Fail("pwrite", __FILE__, __LINE__);
                done += static_cast<size_t>(n);
                at += n;
            }
        }
        return m_path;
    }

private:
    int m_fd;
    std::string m_path;
};

// Bytes in a heap block of exactly their size, so AddressSanitizer reports a read even one
// byte past the end (a std::string may keep short text inside itself, and the program's
// own arenas come from mmap, which the sanitizer does not watch).
class ExactBytes {
public:
    explicit ExactBytes(std::string_view text) : m_bytes(text.begin(), text.end()) {}
    std::string_view View() const { return std::string_view(m_bytes.data(), m_bytes.size()); }

private:
    std::vector<char> m_bytes;
};

// The parts of `input` between line feeds: n line feeds give n + 1 lines.
inline std::vector<std::string_view> SplitLines(std::string_view input) {
    std::vector<std::string_view> lines;
    for (size_t from = 0;;) {
        const size_t lf = input.find('\n', from);
        if (lf == std::string_view::npos) {
            lines.push_back(input.substr(from));
            return lines;
        }
        lines.push_back(input.substr(from, lf - from));
        from = lf + 1;
    }
}

// The layout of the list-style targets: lines split at LF; the lines before the first line
// "--" form the head (needles, level names), the lines after it the body (texts searched).
// Without a "--" line the first line alone is the head. Every line becomes ExactBytes.
struct Sections {
    std::vector<ExactBytes> head;
    std::vector<ExactBytes> body;
};

inline Sections SplitSections(std::string_view input) {
    const std::vector<std::string_view> lines = SplitLines(input);
    size_t split = 0;
    while (split < lines.size() && lines[split] != "--")
        ++split;
    const bool marked = split < lines.size();
    if (!marked)
        split = 1;
    Sections sections;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i < split)
            sections.head.emplace_back(lines[i]);
        else if (i > split || !marked)
            sections.body.emplace_back(lines[i]);
    }
    return sections;
}

// ASCII lower case, byte by byte, written out rather than borrowed from the code under test.
inline std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    }
    return out;
}

// Position of the first occurrence of `needle` in `text` by trying every start (0 for an
// empty needle), or npos.
inline size_t FirstOccurrence(std::string_view text, std::string_view needle) {
    for (size_t pos = 0; pos + needle.size() <= text.size(); ++pos) {
        size_t k = 0;
        while (k < needle.size() && text[pos + k] == needle[k])
            ++k;
        if (k == needle.size())
            return pos;
    }
    return std::string_view::npos;
}

} // namespace fuzz
