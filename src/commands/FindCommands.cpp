// Find: the Find dialog, opened again for as long as the user asks for a keyword that is
// nowhere in the log.
#include "commands/Commands.h"
#include "commands/FindDlg.h"
#include "core/DisplayList.h"
#include "core/Parallel.h"
#include "view/LogListBox.h"

namespace find_commands {

std::vector<int> LinesHoldingAny(const DisplayList& list, const std::vector<std::string_view>& needles) {
    constexpr size_t kLinesPerPart = 256 * 1024;
    const std::vector<size_t> bounds = SplitForParallel(static_cast<size_t>(list.GetCount()), kLinesPerPart);
    const size_t parts = bounds.size() - 1;
    std::vector<std::vector<int>> found(parts);
    RunInParallel(parts, [&](size_t part) {
        found[part] = list.FindLinesAny(needles, static_cast<int>(bounds[part]), static_cast<int>(bounds[part + 1]));
    });
    std::vector<int> all = std::move(found[0]);
    for (size_t part = 1; part < parts; ++part)
        all.insert(all.end(), found[part].begin(), found[part].end());
    return all;
}

void OnFind(CommandHost& host) {
    for (;;) {
        if (host.LogList().GetCount() == 0)
            return;
        CFindDlg dialog(host);
        // A Find All that found nothing closes its dialog; a fresh one (empty keyword,
        // "Bookmark Found" checked) takes its place until the user finds something or
        // cancels.
        if (dialog.DoModal() != IDOK || g_findFound != 0)
            return;
    }
}

} // namespace find_commands
