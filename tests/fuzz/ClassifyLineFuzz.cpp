// CLogViewCore::ClassifyLine with level slots taken from the input: the head lines (see
// SplitSections) name levels 0..9, an empty line leaving its slot unclosed; each body line
// is classified and compared with the rule done by hand: the lowest-numbered level whose
// name first occurs after the line's first byte, case-sensitive; an empty name never
// matches. The body lines also lie one after another in a block that LevelMatcher marks
// at once, and each is classified from its marks.

#include <string>
#include <vector>

#include "FuzzSupport.h"

#include "core/LevelMatcher.h"
#include "core/LogViewCore.h"

namespace {

int ExpectedLevel(const LevelSlotTable& slots, std::string_view text) {
    for (size_t i = 0; i < kLevelCount; ++i) {
        const size_t pos = fuzz::FirstOccurrence(text, slots[i].name);
        if (!slots[i].name.empty() && pos != std::string_view::npos && pos > 0)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Sections input = fuzz::SplitSections(fuzz::AsText(data, size));
    LevelSlotTable slots;
    for (size_t i = 0; i < input.head.size() && i < slots.size(); ++i) {
        const std::string_view name = input.head[i].View();
        if (!name.empty())
            slots[i] = LevelSlot{name, static_cast<int32_t>(i), static_cast<int32_t>(i)};
    }
    std::string block;
    for (const fuzz::ExactBytes& line : input.body) {
        FUZZ_CHECK(ClassifyLine(slots, line.View()) == ExpectedLevel(slots, line.View()));
        block += line.View();
    }
    const LevelMatcher matcher(slots);
    std::vector<uint64_t> marks;
    matcher.MarkStarts(block, marks);
    size_t at = 0;
    for (const fuzz::ExactBytes& line : input.body) {
        FUZZ_CHECK(matcher.ClassifyMarked(line.View(), at, marks) == ExpectedLevel(slots, line.View()));
        at += line.View().size();
    }
    return 0;
}
