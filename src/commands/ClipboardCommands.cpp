// Copy and Clear Sel: the selected lines to the clipboard, and the selection gone.
#include <new>
#include <vector>

#include "commands/Commands.h"
#include "core/BigBlock.h"
#include "core/TextBlock.h"
#include "platform/Clipboard.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "view/LogListBox.h"

namespace {

// Removes the selection from every line; costs the span the selection covers.
void ClearSelection(DisplayList& list) {
    if (list.GetSelCount() > 0)
        list.SelectOnly(-1, -1);
}

} // namespace

namespace clipboard_commands {

bool CopyLinesToClipboard(const DisplayList& list, const std::vector<int>& indices) {
    const CopyBlock block(list, indices);
    // The clipboard keeps this array as it is: the block exists once. Hundreds of
    // megabytes may be copied; huge pages save a page fault every 4 KiB.
    QByteArray bytes(static_cast<qsizetype>(block.Size()), Qt::Uninitialized);
    AdviseHugePages(bytes.data(), block.Size());
    block.Fill(bytes.data());
    return SetClipboardUtf8(std::move(bytes));
}

void OnCopy(CommandHost& host) {
    const DisplayList& list = host.LogList().Model();
    if (list.GetCount() == 0 || list.GetSelCount() == 0)
        return;
    bool copied = false;
    try {
        copied = CopyLinesToClipboard(list, list.GetSelItems());
    } catch (const std::bad_alloc&) {
        // The block could not be had, so the clipboard was never touched.
        AfxMessageBox(QString::fromUtf8(res::kCopyOutOfMemory).arg(list.GetSelCount()),
                      MB_OK | MB_ICONWARNING, host.DialogParent());
        return;
    }
    if (copied)
        AfxMessageBox(QString::fromUtf8(res::kCopiedToClipboard), MB_OK, host.DialogParent());
}

void OnClearSel(CommandHost& host) {
    ClearSelection(host.LogList().Model());
}

} // namespace clipboard_commands
