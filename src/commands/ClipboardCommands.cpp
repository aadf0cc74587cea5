// Copy and Clear Sel: the selected lines to the clipboard, and the selection gone.
#include <memory>
#include <new>
#include <vector>

#include "commands/Commands.h"
#include "core/LogViewCore.h"
#include "platform/Clipboard.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "view/LogListBox.h"

namespace {

// Removes the selection from every line; costs the span the selection covers.
void ClearSelection(DisplayList& list) {
    if (list.GetSelCount() > 0)
        list.SelectOnly(-1, -1);
}

} // namespace

namespace clipboard_commands {

bool CopyLinesToClipboard(const DisplayList& list, const std::vector<int>& indices,
                          std::shared_ptr<const LineStore> store) {
    // The clipboard gets the lines, not their text: a list of its own that refers to the
    // stored lines (five bytes a line) and keeps their store; an edited line is copied.
    // What was copied stays as it was whatever the log does next, and its text is made
    // when a program pastes it.
    auto lines = std::make_unique<DisplayList>(DisplayList::SelectionMode::Single);
    if (store && store.get() == list.Store())
        lines->SetLineStore(std::move(store));
    lines->Reserve(static_cast<int>(indices.size()));
    for (const int index : indices)
        lines->AddCopyOf(list, index);
    return SetClipboardLines(std::move(lines));
}

bool RefusedForChangedSource(const DisplayList& list, QWidget* parent) {
    if (!list.Store() || !list.Store()->SourceChanged())
        return false;
    AfxMessageBox(QString::fromUtf8(res::kSourceChangedNoCopy), MB_OK | MB_ICONWARNING, parent);
    return true;
}

void OnCopy(CommandHost& host) {
    const DisplayList& list = host.LogList().Model();
    if (list.GetCount() == 0 || list.GetSelCount() == 0 || RefusedForChangedSource(list, host.DialogParent()))
        return;
    bool copied = false;
    try {
        copied = CopyLinesToClipboard(list, list.GetSelItems(), host.Core().StoreOwner());
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
