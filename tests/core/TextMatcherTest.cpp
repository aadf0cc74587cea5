#include "core/TextMatcher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/ByteText.h"
#include "core/DisplayList.h"

namespace {

bool Matches(std::string_view text, const MatchOptions& options, std::string_view line) {
    MatchError error;
    const auto matcher = TextMatcher::Compile(text, options, &error);
    EXPECT_TRUE(matcher) << error.message;
    if (!matcher)
        return false;
    TextMatcher::Scanner scanner(*matcher);
    return scanner.Matches(line);
}

bool IsWordByte(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// The literal options, by brute force over every position.
bool LiteralOracle(std::string_view needle, const MatchOptions& options, std::string_view line) {
    const std::string n = options.matchCase ? std::string(needle) : bytetext::LowerAscii(needle);
    const std::string l = options.matchCase ? std::string(line) : bytetext::LowerAscii(line);
    for (size_t pos = 0; pos + n.size() <= l.size(); ++pos) {
        if (l.compare(pos, n.size(), n) != 0)
            continue;
        if (!options.wholeWord)
            return true;
        const bool before = pos == 0 || !IsWordByte(l[pos - 1]);
        const bool after = pos + n.size() == l.size() || !IsWordByte(l[pos + n.size()]);
        if (before && after)
            return true;
    }
    return false;
}

} // namespace

TEST(TextMatcherTest, LiteralOptionsAgreeWithBruteForceOnRandomLines) {
    // A small alphabet with word and non-word bytes, upper and lower case and bytes that
    // are not UTF-8, so that every edge case turns up often.
    const std::string alphabet = "aAbB_1 -.\xE9\xFF";
    std::mt19937 random(7);
    const auto text = [&](size_t maxLength) {
        std::string out(1 + random() % maxLength, ' ');
        for (char& c : out)
            c = alphabet[random() % alphabet.size()];
        return out;
    };
    for (int round = 0; round < 300; ++round) {
        const std::string needle = text(3);
        for (const MatchOptions options : {MatchOptions{true, false, false}, MatchOptions{false, true, false},
                                           MatchOptions{true, true, false}}) {
            MatchError error;
            const auto matcher = TextMatcher::Compile(needle, options, &error);
            ASSERT_TRUE(matcher) << error.message;
            TextMatcher::Scanner scanner(*matcher);
            for (int k = 0; k < 40; ++k) {
                const std::string line = text(12);
                EXPECT_EQ(scanner.Matches(line), LiteralOracle(needle, options, line))
                    << "needle '" << needle << "' case " << options.matchCase << " word " << options.wholeWord
                    << " line '" << line << "'";
            }
        }
    }
}

TEST(TextMatcherTest, FindLineRuleForManyKeywordsIsTheListsRule) {
    // The list's own FindLine, keyword by keyword, is the oracle.
    std::mt19937 random(11);
    const std::string alphabet = "abAB ";
    DisplayList list;
    std::vector<std::string> lines;
    for (int i = 0; i < 3000; ++i) {
        std::string line(random() % 7, ' ');
        for (char& c : line)
            c = alphabet[random() % alphabet.size()];
        lines.push_back(line);
    }
    for (const std::string& line : lines)
        list.AddString(line);
    const std::vector<std::vector<std::string_view>> keywordSets = {
        {"a"}, {"ab"}, {"aa", "b"}, {"Ab", "ba", "aaa"}, {"", "b"}, {"a b"}};
    for (const auto& keywords : keywordSets) {
        const auto matcher = TextMatcher::ForFindLine(keywords);
        TextMatcher::Scanner scanner(*matcher);
        for (int i = 0; i < list.GetCount(); ++i) {
            bool expected = false;
            for (const std::string_view keyword : keywords)
                expected = expected || list.FindLine(i - 1, keyword) == i;
            ASSERT_EQ(scanner.Matches(list.GetText(i)), expected)
                << "line '" << lines[static_cast<size_t>(i)] << "' keyword " << keywords.front();
        }
        // The shared search over the list gives the same lines.
        std::vector<int> expected;
        for (int i = 0; i < list.GetCount(); ++i) {
            if (scanner.Matches(list.GetText(i)))
                expected.push_back(i);
        }
        EXPECT_EQ(LinesMatching(list, *matcher), expected);
    }
    // Without options, Compile is that rule too: a match at the first byte counts only as
    // the whole line.
    EXPECT_FALSE(Matches("error", {}, "error here"));
    EXPECT_TRUE(Matches("error", {}, "ERROR"));
    EXPECT_TRUE(Matches("error", {}, "x error"));
}

TEST(TextMatcherTest, RegularExpressions) {
    const MatchOptions regex{false, false, true};
    const MatchOptions regexCase{true, false, true};
    const MatchOptions regexWord{false, true, true};
    const std::string pattern = "link (loss|down) on port [0-9]+";

    // With any option, a match at the line's start counts.
    EXPECT_TRUE(Matches(pattern, regex, "link down on port 7"));
    EXPECT_TRUE(Matches(pattern, regex, "12:00 LINK LOSS on port 12 seen"));
    EXPECT_FALSE(Matches(pattern, regex, "link up on port 7"));
    EXPECT_FALSE(Matches(pattern, regex, "link down on port x"));
    EXPECT_FALSE(Matches(pattern, regexCase, "LINK down on port 7"));
    EXPECT_TRUE(Matches(pattern, regexCase, "a link down on port 7"));

    // Whole word: the match, not the pattern's first character, is bounded.
    EXPECT_TRUE(Matches("port [0-9]+", regexWord, "port 12 up"));
    EXPECT_FALSE(Matches("port [0-9]+", regexWord, "port 12b up"));
    EXPECT_FALSE(Matches("port", regexWord, "ports"));
    EXPECT_TRUE(Matches("-x", regexWord, "a -x b"));
    EXPECT_FALSE(Matches("-x", regexWord, "a-x b"));
    EXPECT_TRUE(Matches("a|b", regexWord, "x b")); // the frame holds the whole alternation
    EXPECT_FALSE(Matches("a|b", regexWord, "xb ya"));
    // A quote left open ends before the frame's closing part.
    EXPECT_TRUE(Matches("\\Qa.b", regexWord, "x a.b y"));
    EXPECT_FALSE(Matches("\\Qa.b", regexWord, "x axb y"));
    EXPECT_FALSE(Matches("\\Qa.b", regexWord, "x a.bc y"));
    EXPECT_TRUE(Matches("\\Qa\\", regexWord, "x a\\ y"));

    // UTF-8 where the line is UTF-8 (é is one character), one character a byte elsewhere
    // (the Latin-1 é is byte E9).
    EXPECT_TRUE(Matches("^caf.$", regex, "caf\xC3\xA9"));
    EXPECT_TRUE(Matches("^caf.$", regex, "caf\xE9"));
    EXPECT_TRUE(Matches("^caf\xC3\xA9$", regex, "caf\xE9"));
    EXPECT_FALSE(Matches("^caf..$", regex, "caf\xC3\xA9"));
    EXPECT_TRUE(Matches("^caf...$", regex, "caf\xC3\xA9\xFF")); // not UTF-8: three bytes after "caf"
    EXPECT_TRUE(Matches("x\\x00y", regexCase, std::string("x\0y", 3)));

    // An expression that matches nothing at all matches every line, the empty one too.
    EXPECT_TRUE(Matches("z*", regex, ""));
}

TEST(TextMatcherTest, PatternsThatWouldBacktrackForEverFinish) {
    // Exponential in a backtracking engine; a linear-time automaton scans it once.
    const std::string line = std::string(200000, 'a') + "!";
    EXPECT_FALSE(Matches("^(a+)+$", {false, false, true}, line));
    EXPECT_FALSE(Matches("(a|aa)*b", {false, false, true}, line));
    EXPECT_TRUE(Matches("(a|aa)*!", {false, false, true}, line));
}

TEST(TextMatcherTest, BadPatternsAreRefusedWithWhatAndWhere) {
    MatchError error;
    EXPECT_FALSE(TextMatcher::Compile("link (down", {false, false, true}, &error));
    EXPECT_FALSE(error.message.empty());
    EXPECT_EQ(error.position, 5) << error.message;

    error = {};
    EXPECT_FALSE(TextMatcher::Compile("a[b", {true, true, true}, &error));
    EXPECT_FALSE(error.message.empty());
    EXPECT_EQ(error.position, 1) << error.message; // where the user wrote it, not in the frame

    error = {};
    EXPECT_FALSE(TextMatcher::Compile("(a)\\1", {false, false, true}, &error));
    EXPECT_FALSE(error.message.empty());

    error = {};
    EXPECT_FALSE(TextMatcher::Compile("", {false, false, true}, &error));
    EXPECT_FALSE(error.message.empty());
    EXPECT_FALSE(TextMatcher::Compile("", {}, &error));

    // The same text as a literal is no pattern at all.
    EXPECT_TRUE(Matches("link (down", {true, false, false}, "x link (down"));
    EXPECT_TRUE(Matches("a[b", {false, true, false}, "x A[B y"));
}
