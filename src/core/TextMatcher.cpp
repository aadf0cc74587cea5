#include "core/TextMatcher.h"

#include <hs/hs.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "core/ByteText.h"
#include "core/DisplayList.h"
#include "core/Parallel.h"

namespace {

// Bytes a regular expression or a whole-word literal accepts on each side of the match:
// the line's edge or a byte (in UTF-8, a character) that is no ASCII word character.
constexpr const char* kWordEdgeBefore = "(?:^|[^A-Za-z0-9_])";
constexpr const char* kWordEdgeAfter = "(?:$|[^A-Za-z0-9_])";

// Whether `pattern` ends inside a \Q...\E quote (a \Q with no \E after it).
bool EndsInsideQuote(std::string_view pattern) {
    bool quoted = false;
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != '\\')
            continue;
        if (quoted) {
            quoted = pattern[i + 1] != 'E';
            if (!quoted)
                ++i;
            continue;
        }
        if (pattern[i + 1] == 'Q')
            quoted = true;
        ++i; // the escaped character
    }
    return quoted;
}

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsWordByte(char c) {
    return IsAsciiAlnum(static_cast<unsigned char>(c)) || c == '_';
}

// A literal as a regular expression of the same bytes: letters and digits stay, every
// other byte is written as \xHH, so no byte of it is taken for syntax.
std::string EscapedLiteral(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() * 4);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsAsciiAlnum(byte)) {
            out += c;
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

// The pattern for lines that are not UTF-8 (shown one character a byte): the same
// characters as single bytes when every one of them is below U+0100, else the bytes as
// they are (such a character matches no such line either way).
std::string AsLatin1(std::string_view utf8) {
    if (!bytetext::IsValidUtf8(utf8))
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c & 0xE0) == 0xC0 && c <= 0xC3 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            ++i;
        } else {
            return std::string(utf8);
        }
    }
    return out;
}

// Whether any byte has its high bit set: a line of ASCII alone reads the same in either
// database, and needs no UTF-8 check.
bool HasHighByte(std::string_view line) {
    const char* p = line.data();
    size_t n = line.size();
    while (n >= 8) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (word & 0x8080808080808080ull)
            return true;
        p += 8;
        n -= 8;
    }
    for (; n > 0; --n, ++p) {
        if (static_cast<unsigned char>(*p) & 0x80)
            return true;
    }
    return false;
}

// Hyperscan's messages name the place as "at index N" (a byte of the pattern) when they
// know it.
int ErrorPosition(std::string_view message) {
    constexpr std::string_view kAt = "index ";
    const size_t at = message.find(kAt);
    if (at == std::string_view::npos)
        return -1;
    int position = 0;
    size_t i = at + kAt.size();
    if (i >= message.size() || message[i] < '0' || message[i] > '9')
        return -1;
    for (; i < message.size() && message[i] >= '0' && message[i] <= '9'; ++i)
        position = position * 10 + (message[i] - '0');
    return position;
}

// Compiles one expression; on failure fills `error` (when given) and returns null.
hs_database_t* CompileRegex(const std::string& pattern, unsigned flags, MatchError* error) {
    hs_database_t* db = nullptr;
    hs_compile_error_t* failure = nullptr;
    if (hs_compile(pattern.c_str(), flags, HS_MODE_BLOCK, nullptr, &db, &failure) == HS_SUCCESS)
        return db;
    if (error) {
        error->message = failure && failure->message ? failure->message : "the pattern cannot be compiled";
        error->position = ErrorPosition(error->message);
    }
    hs_free_compile_error(failure);
    return nullptr;
}

} // namespace

struct TextMatcher::Engine {
    enum class Kind { FindLine, WordLiteral, Options };
    Kind kind = Kind::Options;
    // Every line, or (for a regular expression) the lines that are not UTF-8 with a byte
    // above 0x7F.
    hs_database_t* bytes = nullptr;
    // A regular expression's lines that are valid UTF-8 with a byte above 0x7F.
    hs_database_t* utf8 = nullptr;
    // Allocated for both databases; each Scanner clones it.
    hs_scratch_t* prototype = nullptr;
    // FindLine: each keyword's length, by its id, and whether one was empty.
    std::vector<unsigned> lengths;
    bool emptyKeyword = false;

    ~Engine() {
        hs_free_scratch(prototype);
        hs_free_database(bytes);
        hs_free_database(utf8);
    }

    void AllocScratch() {
        for (hs_database_t* db : {bytes, utf8}) {
            if (db && hs_alloc_scratch(db, &prototype) != HS_SUCCESS)
                throw std::bad_alloc();
        }
    }
};

struct TextMatcher::Scanner::Scratch {
    hs_scratch_t* scratch = nullptr;
    // FindLine: the keywords that begin the line being scanned (their first occurrence is at
    // its first byte, so no later one counts).
    std::vector<uint8_t> atStart;
    size_t lineSize = 0;
    // WordLiteral: the line being scanned.
    std::string_view line;
    const Engine* engine = nullptr;
    bool found = false;
    bool anyAtStart = false;

    ~Scratch() { hs_free_scratch(scratch); }
};

TextMatcher::TextMatcher() : m_engine(std::make_unique<Engine>()) {}

TextMatcher::~TextMatcher() = default;

std::unique_ptr<TextMatcher> TextMatcher::Compile(std::string_view text, const MatchOptions& options,
                                                  MatchError* error) {
    if (text.empty()) {
        if (error)
            *error = MatchError{"the text is empty", 0};
        return nullptr;
    }
    if (!options.Any())
        return ForFindLine({text});

    std::unique_ptr<TextMatcher> matcher(new TextMatcher());
    Engine& engine = *matcher->m_engine;
    const unsigned caseless = options.matchCase ? 0u : static_cast<unsigned>(HS_FLAG_CASELESS);
    const unsigned flags = caseless | HS_FLAG_SINGLEMATCH | HS_FLAG_ALLOWEMPTY;
    if (!options.regex && options.wholeWord) {
        // A whole word: each occurrence of the literal, its edges looked at here, which
        // keeps the engine on its fast literal search (a frame of character classes
        // around the literal would not).
        engine.kind = Engine::Kind::WordLiteral;
        engine.lengths.push_back(static_cast<unsigned>(text.size()));
        hs_compile_error_t* failure = nullptr;
        if (hs_compile_lit(text.data(), caseless, text.size(), HS_MODE_BLOCK, nullptr, &engine.bytes,
                           &failure) != HS_SUCCESS) {
            if (error) {
                error->message =
                    failure && failure->message ? failure->message : "the text cannot be searched for";
                error->position = -1;
            }
            hs_free_compile_error(failure);
            return nullptr;
        }
    } else if (!options.regex) {
        // A literal: its bytes as they are, in every line.
        engine.bytes = CompileRegex(EscapedLiteral(text), flags, error);
        if (!engine.bytes)
            return nullptr;
    } else {
        // The user's expression alone first, so that a fault is told at its place in what
        // the user wrote (the whole-word frame would shift it).
        const std::string own(text);
        hs_database_t* check = CompileRegex(own, flags | HS_FLAG_UTF8, error);
        if (!check)
            return nullptr;
        const auto framed = [&](const std::string& pattern) {
            if (!options.wholeWord)
                return pattern;
            // A \Q left open would quote the frame's closing part too: it is closed first.
            const std::string closed = EndsInsideQuote(pattern) ? pattern + "\\E" : pattern;
            return kWordEdgeBefore + ("(?:" + closed + ")") + kWordEdgeAfter;
        };
        if (options.wholeWord) {
            hs_free_database(check);
            check = CompileRegex(framed(own), flags | HS_FLAG_UTF8, error);
            if (!check)
                return nullptr;
        }
        engine.utf8 = check;
        engine.bytes = CompileRegex(framed(AsLatin1(own)), flags, error);
        if (!engine.bytes)
            return nullptr;
    }
    engine.AllocScratch();
    return matcher;
}

std::unique_ptr<TextMatcher> TextMatcher::ForFindLine(const std::vector<std::string_view>& keywords) {
    std::unique_ptr<TextMatcher> matcher(new TextMatcher());
    Engine& engine = *matcher->m_engine;
    engine.kind = Engine::Kind::FindLine;
    std::vector<const char*> texts;
    std::vector<unsigned> flags;
    std::vector<unsigned> ids;
    for (const std::string_view keyword : keywords) {
        if (keyword.empty()) {
            engine.emptyKeyword = true;
            continue;
        }
        texts.push_back(keyword.data());
        engine.lengths.push_back(static_cast<unsigned>(keyword.size()));
        flags.push_back(HS_FLAG_CASELESS);
        ids.push_back(static_cast<unsigned>(ids.size()));
    }
    if (!texts.empty()) {
        // Every occurrence is reported (no single match): the first one of a keyword at
        // the line's start rules out its later ones.
        std::vector<size_t> lengths(engine.lengths.begin(), engine.lengths.end());
        hs_compile_error_t* failure = nullptr;
        if (hs_compile_lit_multi(texts.data(), flags.data(), ids.data(), lengths.data(),
                                 static_cast<unsigned>(texts.size()), HS_MODE_BLOCK, nullptr, &engine.bytes,
                                 &failure) != HS_SUCCESS) {
            hs_free_compile_error(failure);
            throw std::bad_alloc();
        }
        engine.AllocScratch();
    }
    return matcher;
}

TextMatcher::Scanner::Scanner(const TextMatcher& matcher)
    : m_matcher(matcher), m_scratch(std::make_unique<Scratch>()) {
    const Engine& engine = *matcher.m_engine;
    m_scratch->engine = &engine;
    m_scratch->atStart.assign(engine.lengths.size(), 0);
    if (engine.prototype && hs_clone_scratch(engine.prototype, &m_scratch->scratch) != HS_SUCCESS)
        throw std::bad_alloc();
}

TextMatcher::Scanner::~Scanner() = default;

TextMatcher::Scanner::Scanner(Scanner&& other) noexcept
    : m_matcher(other.m_matcher), m_scratch(std::move(other.m_scratch)) {}

namespace {

int OnAnyMatch(unsigned, unsigned long long, unsigned long long, unsigned, void* context) {
    *static_cast<bool*>(context) = true;
    return 1; // one match is enough
}

} // namespace

bool TextMatcher::Scanner::Matches(std::string_view line) {
    const Engine& engine = *m_matcher.m_engine;
    Scratch& s = *m_scratch;
    // Hyperscan takes lengths below 4 GiB; a line is far shorter.
    const auto length = static_cast<unsigned>(std::min<size_t>(line.size(), 0xffffffffu));
    if (engine.kind == Engine::Kind::FindLine) {
        if (line.empty())
            return engine.emptyKeyword;
        if (!engine.bytes)
            return false;
        s.lineSize = line.size();
        s.found = false;
        if (s.anyAtStart) {
            std::fill(s.atStart.begin(), s.atStart.end(), 0);
            s.anyAtStart = false;
        }
        // Occurrences come in the order of their ends; a keyword's occurrence at the first
        // byte ends before any other of the same keyword.
        const auto onMatch = [](unsigned id, unsigned long long, unsigned long long to, unsigned,
                                void* context) -> int {
            auto& scratch = *static_cast<Scratch*>(context);
            const unsigned long long from = to - scratch.engine->lengths[id];
            if (from == 0) {
                if (to == scratch.lineSize) {
                    scratch.found = true;
                    return 1;
                }
                scratch.atStart[id] = 1;
                scratch.anyAtStart = true;
                return 0;
            }
            if (scratch.atStart[id])
                return 0;
            scratch.found = true;
            return 1;
        };
        hs_scan(engine.bytes, line.data(), length, 0, s.scratch, onMatch, &s);
        return s.found;
    }
    if (engine.kind == Engine::Kind::WordLiteral) {
        s.line = line;
        s.found = false;
        const auto onMatch = [](unsigned, unsigned long long, unsigned long long to, unsigned,
                                void* context) -> int {
            auto& scratch = *static_cast<Scratch*>(context);
            const size_t end = static_cast<size_t>(to);
            const size_t from = end - scratch.engine->lengths[0];
            if ((from > 0 && IsWordByte(scratch.line[from - 1])) ||
                (end < scratch.line.size() && IsWordByte(scratch.line[end])))
                return 0;
            scratch.found = true;
            return 1;
        };
        hs_scan(engine.bytes, line.data(), length, 0, s.scratch, onMatch, &s);
        return s.found;
    }
    const hs_database_t* db =
        (engine.utf8 && HasHighByte(line) && bytetext::IsValidUtf8(line)) ? engine.utf8 : engine.bytes;
    bool found = false;
    // An empty line is scanned too: an expression may match nothing at all.
    static constexpr char kNothing = 0;
    hs_scan(db, line.empty() ? &kNothing : line.data(), length, 0, s.scratch, OnAnyMatch, &found);
    return found;
}

std::vector<int> LinesMatching(const DisplayList& list, const TextMatcher& matcher) {
    constexpr size_t kLinesPerPart = 256 * 1024;
    const std::vector<size_t> bounds = SplitForParallel(static_cast<size_t>(list.GetCount()), kLinesPerPart);
    const size_t parts = bounds.size() - 1;
    std::vector<std::vector<int>> found(parts);
    RunInParallel(parts, [&](size_t part) {
        TextMatcher::Scanner scanner(matcher);
        std::vector<int>& mine = found[part];
        for (size_t i = bounds[part]; i < bounds[part + 1]; ++i) {
            if (scanner.Matches(list.GetText(static_cast<int>(i))))
                mine.push_back(static_cast<int>(i));
        }
    });
    std::vector<int> all = std::move(found[0]);
    for (size_t part = 1; part < parts; ++part)
        all.insert(all.end(), found[part].begin(), found[part].end());
    return all;
}
