// TextMatcher: whether a line's bytes hold a text, under the search options of Find All
// and of the text filters, or the log list's FindLine rule for many keywords at once
// (Analyze's keywords in one pass).
//
// Patterns are compiled once, with Hyperscan: its automata take time linear in the line
// whatever the pattern, so no regular expression can hang the program, and one scan finds
// any of many keywords. A compiled matcher is read-only and may be shared by threads; each
// thread scans through a Scanner of its own (Hyperscan's scratch space).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class DisplayList;

struct MatchOptions {
    // Bytes compare as they are; without it the ASCII letters compare without case.
    bool matchCase = false;
    // The match is bounded on each side by a byte that is no word character (ASCII letter,
    // digit, underscore) or by the line's start or end.
    bool wholeWord = false;
    // The text is a regular expression over the line's bytes (UTF-8 in a line that is valid
    // UTF-8, one character a byte in any other).
    bool regex = false;

    // With no option the log list's FindLine rule holds (see TextMatcher::ForFindLine).
    bool Any() const { return matchCase || wholeWord || regex; }
    bool operator==(const MatchOptions&) const = default;
};

// Why a text cannot be searched for: what is wrong and, where known, the byte of the text
// where it is (-1 when the engine does not say).
struct MatchError {
    std::string message;
    int position = -1;
};

class TextMatcher {
public:
    ~TextMatcher();
    TextMatcher(const TextMatcher&) = delete;
    TextMatcher& operator=(const TextMatcher&) = delete;

    // A match of `text` anywhere in a line, under `options`; with no option set, the
    // FindLine rule for `text` alone. Null, with `error` filled, for an empty text or a
    // regular expression that does not compile.
    static std::unique_ptr<TextMatcher> Compile(std::string_view text, const MatchOptions& options,
                                                MatchError* error);
    // The log list's FindLine rule for any of `keywords`: a line matches a keyword when its
    // first occurrence (A-Z without case) starts after the line's first byte, or when the
    // line is the keyword. An empty keyword matches only an empty line. Throws
    // std::bad_alloc when the engine cannot have its memory.
    static std::unique_ptr<TextMatcher> ForFindLine(const std::vector<std::string_view>& keywords);

    // One thread's use of a matcher. Not shared between threads; lives no longer than the
    // matcher.
    class Scanner {
    public:
        explicit Scanner(const TextMatcher& matcher);
        ~Scanner();
        Scanner(Scanner&& other) noexcept;
        Scanner(const Scanner&) = delete;
        Scanner& operator=(const Scanner&) = delete;
        Scanner& operator=(Scanner&&) = delete;

        bool Matches(std::string_view line);

    private:
        const TextMatcher& m_matcher;
        struct Scratch;
        std::unique_ptr<Scratch> m_scratch;
    };

private:
    TextMatcher();
    struct Engine;
    std::unique_ptr<Engine> m_engine;
};

// Every item of `list`, ascending, that `matcher` matches. A long list is searched by one
// thread a processor, each its own run of items; the list must not change meanwhile.
std::vector<int> LinesMatching(const DisplayList& list, const TextMatcher& matcher);
