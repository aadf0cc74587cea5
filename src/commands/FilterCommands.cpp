#include "commands/Commands.h"
#include "commands/OptionsDlg.h"
#include "view/FilterBar.h"
#include "view/LogListBox.h"

namespace {

// One bit per filter entry, set when that kind of line is to be shown.
unsigned ShowMask(const LevelFilterTable& filter) {
    unsigned mask = 0;
    for (size_t k = 0; k < kFilterCount; ++k) {
        if (filter[k].show)
            mask |= 1u << k;
    }
    return mask;
}

} // namespace

namespace filter_commands {

void OnOptions(CommandHost& host) {
    CLogViewCore& core = host.Core();
    const unsigned before = ShowMask(core.m_levelFilter);

    COptionsDlg dialog(core.m_levelFilter, host.IsLoading(), host.DialogParent());
    if (RunModal(dialog) != IDOK)
        return;

    // An empty choice would show nothing at all; it is kept, but the list stays as it is
    // until a later choice shows something.
    const unsigned after = ShowMask(core.m_levelFilter);
    if (after == 0 || after == before)
        return;

    // The rebuild brings back the stored lines under the new filter: selection, bookmarks,
    // deletions and edits go, and so does the marks view's list, which refers to them.
    host.StartRefill();
}

void OnFilterBar(CommandHost& host) {
    if (CFilterBar* bar = host.FilterBar())
        bar->SetShown(!bar->isVisible());
}

} // namespace filter_commands
