#include <QLineEdit>
#include <algorithm>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "core/ByteText.h"
#include "core/LogViewCore.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "view/LogListBox.h"

namespace {

std::string ToBytes(const QByteArray& bytes) {
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The editor's text as line bytes. A line that was not valid UTF-8 went into the editor as
// Latin-1, one character a byte; it goes back the same way, so the bytes the user did not
// touch stay what they were. Only a character Latin-1 cannot hold makes it UTF-8.
std::string EditorBytes(const QString& text, std::string_view original) {
    if (!bytetext::IsValidUtf8(original)) {
        const bool latin1 =
            std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xff; });
        if (latin1)
            return ToBytes(text.toLatin1());
    }
    return ToBytes(text.toUtf8());
}

void CloseEditor(CommandHost& host) {
    CLogViewCore& core = host.Core();
    core.m_editIndex = -1;
    QLineEdit* editor = host.LineEditor();
    const bool hadFocus = editor->hasFocus();
    editor->clear();
    editor->setEnabled(false);
    editor->hide();
    CLogListBox& list = host.LogList();
    list.show();
    if (hadFocus)
        list.setFocus();
}

// The first entry of the marks list that is a copy of `text`. Entries are copies of log
// lines, so the whole text must match; a line that merely begins like another would
// otherwise take that other line's entry.
int FindMarkEntry(const DisplayList& marks, std::string_view text) {
    for (int i = 0; i < marks.GetCount(); ++i) {
        if (marks.GetText(i) == text)
            return i;
    }
    return LB_ERR;
}

} // namespace

namespace edit_commands {

void BeginLineEdit(CommandHost& host) {
    CLogListBox& list = host.LogList();
    const DisplayList& model = list.Model();
    const int caret = model.GetCurSel();
    if (model.GetCount() == 0 || caret == LB_ERR)
        return;
    CLogViewCore& core = host.Core();
    core.m_editIndex = caret;
    core.m_editItemData = model.GetItemData(caret);

    const QRect rect = list.GetItemRect(caret);
    QLineEdit* editor = host.LineEditor();
    // The item's rectangle is in the list's viewport; the editor lives in the view.
    QPoint topLeft = list.viewport()->mapToGlobal(rect.topLeft());
    if (QWidget* parent = editor->parentWidget())
        topLeft = parent->mapFromGlobal(topLeft);
    editor->setGeometry(QRect(topLeft, rect.size()));
    editor->setEnabled(true);
    editor->show();
    editor->setText(ToDisplayString(model.GetText(caret)));
    editor->setFocus();
}

bool CommitLineEdit(CommandHost& host, const QWidget* target) {
    QLineEdit* editor = host.LineEditor();
    CLogViewCore& core = host.Core();
    if (target == nullptr || target != editor || core.m_editIndex == -1)
        return false;
    DisplayList& list = host.LogList().Model();
    const int index = core.m_editIndex;
    if (index < list.GetCount()) {
        const std::string old(list.GetText(index));
        const std::string edited = EditorBytes(editor->text(), old);
        if (edited != old) {
            if (!host.IsModified())
                host.SetModifiedFlag(true);
            // The line keeps its colour from when the edit began, and its bookmark: the
            // bookmarks own that bit, and a bookmark set or cleared during the edit stays
            // so. Replacing the text in place costs O(1) where a delete and insert would
            // move every line below; the re-inserted line would come back unselected, and
            // so does this one.
            list.SetItemText(index, edited);
            list.SetItemData(index,
                             (core.m_editItemData & COLOUR_MASK) | (list.GetItemData(index) & BOOKMARK_BIT));
            list.SetSel(index, false);
            if (CListBox* marks = host.MarksList()) {
                DisplayList& entries = marks->Model();
                const int entry = FindMarkEntry(entries, old);
                if (entry != LB_ERR) {
                    entries.DeleteString(entry);
                    entries.InsertString(entry, edited);
                }
            }
        }
    }
    CloseEditor(host);
    return true;
}

bool DeleteSelectedLines(CommandHost& host) {
    CLogViewCore& core = host.Core();
    const CListBox* marks = host.MarksList();
    if (!core.m_bookmarks.Empty() || (marks && marks->GetCount() > 0)) {
        AfxMessageBox(QString::fromUtf8(res::kCannotDeleteWithBookmarks), MB_OK, host.DialogParent());
        return false;
    }
    DisplayList& list = host.LogList().Model();
    if (list.GetSelCount() == 0)
        return false;

    // All selected lines go in one pass over the list; deleting them one by one, highest
    // first, leaves the same lines but moves the tail of the list once per line.
    const std::vector<int> selected = list.GetSelItems();
    if (core.m_editIndex != -1) {
        // An open edit follows its line, or ends with it.
        const auto below = std::lower_bound(selected.begin(), selected.end(), core.m_editIndex);
        if (below != selected.end() && *below == core.m_editIndex)
            CloseEditor(host);
        else
            core.m_editIndex -= static_cast<int>(below - selected.begin());
    }
    list.DeleteItems(selected);
    if (!host.IsModified())
        host.SetModifiedFlag(true);
    // The caret stays at its position, on the line that took the deleted one's place.
    ShowCaretLine(host);
    return true;
}

void ShowCaretLine(CommandHost& host) {
    const DisplayList& list = host.LogList().Model();
    const int caret = list.GetCount() == 0 ? LB_ERR : list.GetCurSel();
    if (caret == LB_ERR) {
        // No line is left to show; the deleted one's text must not stay.
        host.SetStatusText(QString::fromUtf8(res::kIdleMessage));
        return;
    }
    host.SetStatusText(QString::fromUtf8(res::kCaretLineStatus)
                           .arg(QString::number(caret), ToDisplayString(list.GetText(caret))));
}

void OnLogSelChange(CommandHost& host) {
    if (host.LogList().Model().GetCount() == 0)
        return;
    ShowCaretLine(host);
    QLineEdit* editor = host.LineEditor();
    if (editor && editor->isEnabled() && !editor->isHidden())
        CommitLineEdit(host, editor);
}

} // namespace edit_commands
