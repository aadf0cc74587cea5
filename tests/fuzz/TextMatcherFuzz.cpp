// The search options (TextMatcher) on any pattern and any lines. The first head line (see
// SplitSections) is the text searched for; the low three bits of the second head line's
// first byte are Match case, Whole word and Regular expression; the body lines are the
// lines searched. No pattern may crash or hang; a literal's options must agree with a
// search done by hand, and the FindLine rule with the log list's own search.

#include "FuzzSupport.h"

#include "core/DisplayList.h"
#include "core/TextMatcher.h"

namespace {

bool IsWordByte(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool LiteralMatches(std::string_view line, std::string_view needle, const MatchOptions& options) {
    const std::string text = options.matchCase ? std::string(line) : fuzz::Lower(line);
    const std::string word = options.matchCase ? std::string(needle) : fuzz::Lower(needle);
    for (size_t pos = 0; pos + word.size() <= text.size(); ++pos) {
        if (text.compare(pos, word.size(), word) != 0)
            continue;
        const size_t end = pos + word.size();
        if (!options.wholeWord ||
            ((pos == 0 || !IsWordByte(text[pos - 1])) && (end == text.size() || !IsWordByte(text[end]))))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Sections input = fuzz::SplitSections(fuzz::AsText(data, size));
    if (input.head.empty())
        return 0;
    const std::string_view text = input.head[0].View();
    const std::string_view bits = input.head.size() > 1 ? input.head[1].View() : std::string_view();
    const unsigned flags = bits.empty() ? 0u : static_cast<unsigned char>(bits[0]);
    const MatchOptions options{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};

    MatchError error;
    const auto matcher = TextMatcher::Compile(text, options, &error);
    if (!matcher) {
        // Only an empty text or a bad expression is refused, always with a reason.
        FUZZ_CHECK(text.empty() || options.regex);
        FUZZ_CHECK(!error.message.empty());
        return 0;
    }
    TextMatcher::Scanner scanner(*matcher);
    DisplayList list;
    for (const fuzz::ExactBytes& line : input.body) {
        const bool found = scanner.Matches(line.View());
        if (options.Any() && !options.regex)
            FUZZ_CHECK(found == LiteralMatches(line.View(), text, options));
        list.AddStringRef(line.View());
    }
    if (!options.Any())
        FUZZ_CHECK(LinesMatching(list, *matcher) == list.FindLinesAny({text}));
    return 0;
}
