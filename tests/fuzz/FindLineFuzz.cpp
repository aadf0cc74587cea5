// The log list's search (DisplayList::FindLine and FindLinesAny, under
// CLogListBox::FindLine and the Analyze command) against its rule done by hand. The head lines (see
// SplitSections) are the needles (the first 16 of them), the body lines the items.
//
// FindLine: an item matches when the needle's first occurrence, A-Z folded to a-z, starts
// after the item's first byte, or when the item is the needle as a whole.

#include "FuzzSupport.h"

#include "core/DisplayList.h"

namespace {

bool LineMatches(std::string_view item, std::string_view needle) {
    const std::string text = fuzz::Lower(item);
    const std::string word = fuzz::Lower(needle);
    const size_t pos = fuzz::FirstOccurrence(text, word);
    return pos != std::string_view::npos && (pos > 0 || text == word);
}

constexpr size_t kMaxNeedles = 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Sections input = fuzz::SplitSections(fuzz::AsText(data, size));
    // Items refer to the input's own blocks (AddStringRef), so a read past an item's end
    // is caught.
    DisplayList list;
    for (const fuzz::ExactBytes& item : input.body)
        list.AddStringRef(item.View());
    const int count = list.GetCount();

    std::vector<std::string_view> needles;
    std::vector<bool> foundByAny(static_cast<size_t>(count), false);
    for (size_t k = 0; k < input.head.size() && k < kMaxNeedles; ++k) {
        const std::string_view needle = input.head[k].View();
        needles.push_back(needle);

        // Stepping from match to match visits exactly the matching items, in order.
        int found = list.FindLine(-1, needle);
        for (int i = 0; i < count; ++i) {
            if (!LineMatches(input.body[static_cast<size_t>(i)].View(), needle))
                continue;
            foundByAny[static_cast<size_t>(i)] = true;
            FUZZ_CHECK(found == i);
            found = list.FindLine(found, needle);
        }
        FUZZ_CHECK(found == LB_ERR);
        FUZZ_CHECK(list.FindLine(-7, needle) == list.FindLine(-1, needle));
        FUZZ_CHECK(list.FindLine(count, needle) == LB_ERR);
    }

    std::vector<int> wantAny;
    for (int i = 0; i < count; ++i) {
        if (foundByAny[static_cast<size_t>(i)])
            wantAny.push_back(i);
    }
    FUZZ_CHECK(list.FindLinesAny(needles) == wantAny);
    return 0;
}
