#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "core/LevelMatcher.h"

namespace {

// The rule as a search per name, one name after another: the lowest-numbered slot whose
// name first occurs after the line's first byte.
int OneNameAtATime(const LevelSlotTable& slots, std::string_view text) {
    for (size_t i = 0; i < kLevelCount; ++i) {
        const size_t pos = text.find(slots[i].name);
        if (pos != std::string_view::npos && pos > 0)
            return static_cast<int>(i);
    }
    return -1;
}

// Slots naming `names` (as many as given, the rest never closed).
struct Slots {
    explicit Slots(std::vector<std::string> given) : names(std::move(given)) {
        for (size_t i = 0; i < names.size() && i < kLevelCount; ++i)
            table[i] = LevelSlot{names[i], 0, static_cast<int32_t>(i)};
    }
    std::vector<std::string> names;
    LevelSlotTable table;
};

TEST(LevelMatcherTest, GivesTheLevelOfASearchPerNameOnRandomLinesAndNames) {
    // A small alphabet makes names overlap, contain each other, share first bytes and
    // occur at the line's start and again later; lines cross the sixteen- and
    // 32-byte steps.
    std::mt19937 random(29);
    const std::string alphabet("ABCa\0\xff", 6);
    const auto randomText = [&](size_t length) {
        std::string text;
        for (size_t k = 0; k < length; ++k)
            text.push_back(alphabet[random() % alphabet.size()]);
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> names;
        const size_t count = random() % (kLevelCount + 1);
        for (size_t i = 0; i < count; ++i)
            names.push_back(randomText(random() % 5)); // empty names among them
        const Slots slots(names);
        const LevelMatcher matcher(slots.table);
        const LevelMatcher narrow(slots.table, LevelMatcher::Scan::Narrow);
        // The lines also lie one after another in a block marked at once.
        std::string block;
        std::vector<std::pair<size_t, int>> lines;
        for (int line = 0; line < 40; ++line) {
            const std::string text = randomText(random() % 140);
            ASSERT_EQ(matcher.Classify(text), OneNameAtATime(slots.table, text))
                << "round " << round << ", line '" << text << "'";
            ASSERT_EQ(narrow.Classify(text), OneNameAtATime(slots.table, text));
            ASSERT_EQ(ClassifyLine(slots.table, text), OneNameAtATime(slots.table, text));
            lines.emplace_back(block.size(), OneNameAtATime(slots.table, text));
            block += text;
        }
        lines.emplace_back(block.size(), -1);
        for (const LevelMatcher* m : {&matcher, &narrow}) {
            std::vector<uint64_t> marks;
            m->MarkStarts(block, marks);
            for (size_t k = 0; k + 1 < lines.size(); ++k) {
                const std::string_view text =
                    std::string_view(block).substr(lines[k].first, lines[k + 1].first - lines[k].first);
                ASSERT_EQ(m->ClassifyMarked(text, lines[k].first, marks), lines[k].second)
                    << "round " << round << ", line " << k;
            }
        }
    }
}

} // namespace
