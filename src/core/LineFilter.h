// LineFilterStack: the text filters of one log view, a stack the user keeps in the filter
// bar. Each filter has a text, the search options and a mode: "Show only" keeps the lines
// it matches, "Hide" drops them; one switched off is kept but decides nothing. A line
// passes when every active filter lets it through; the log list shows the stored lines
// whose level is shown and that pass (CLogViewCore).
//
// The stack compiles each active filter once (TextMatcher); a Checker scans with them on
// one thread. Owned by CLogViewCore; set on the GUI thread, while no Checker of it lives on
// another thread.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/TextMatcher.h"

struct LineFilterSpec {
    std::string text; // UTF-8, as typed
    MatchOptions options;
    bool hide = false;  // "Hide"; else "Show only"
    bool active = true; // switched on

    bool operator==(const LineFilterSpec&) const = default;
};

class LineFilterStack {
public:
    // Replaces the filters. Every active one is compiled first: when one cannot be (an
    // empty text, a regular expression that does not compile), nothing changes and the
    // result is false, with that filter's position in `filters` and the reason.
    bool Set(std::vector<LineFilterSpec> filters, size_t* failedIndex = nullptr, MatchError* error = nullptr);
    const std::vector<LineFilterSpec>& Filters() const { return m_filters; }
    // Whether any filter is switched on (every line passes otherwise).
    bool Active() const { return !m_compiled.empty(); }

    // Decides lines on one thread. Lives no longer than the stack, and no later than its
    // next Set.
    class Checker {
    public:
        explicit Checker(const LineFilterStack& stack);
        bool Passes(std::string_view line);

    private:
        const LineFilterStack& m_stack;
        std::vector<TextMatcher::Scanner> m_scanners;
    };

private:
    struct Compiled {
        std::unique_ptr<TextMatcher> matcher;
        bool hide;
    };
    std::vector<LineFilterSpec> m_filters;
    std::vector<Compiled> m_compiled;
};
