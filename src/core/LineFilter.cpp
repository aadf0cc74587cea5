#include "core/LineFilter.h"

#include <utility>

bool LineFilterStack::Set(std::vector<LineFilterSpec> filters, size_t* failedIndex, MatchError* error) {
    std::vector<Compiled> compiled;
    for (size_t i = 0; i < filters.size(); ++i) {
        const LineFilterSpec& filter = filters[i];
        if (!filter.active)
            continue;
        MatchError why;
        std::unique_ptr<TextMatcher> matcher = TextMatcher::Compile(filter.text, filter.options, &why);
        if (!matcher) {
            if (failedIndex)
                *failedIndex = i;
            if (error)
                *error = std::move(why);
            return false;
        }
        compiled.push_back(Compiled{std::move(matcher), filter.hide});
    }
    m_filters = std::move(filters);
    m_compiled = std::move(compiled);
    return true;
}

LineFilterStack::Checker::Checker(const LineFilterStack& stack) : m_stack(stack) {
    m_scanners.reserve(stack.m_compiled.size());
    for (const Compiled& filter : stack.m_compiled)
        m_scanners.emplace_back(*filter.matcher);
}

bool LineFilterStack::Checker::Passes(std::string_view line) {
    for (size_t i = 0; i < m_scanners.size(); ++i) {
        // A "Hide" filter drops what it matches, a "Show only" one what it does not.
        if (m_scanners[i].Matches(line) == m_stack.m_compiled[i].hide)
            return false;
    }
    return true;
}
