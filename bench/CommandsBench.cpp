// The log view's bulk commands on a loaded log: Find All of a rare and of a common word
// (each line found selected and bookmarked), F3 once round every bookmark, Ctrl+Shift+B
// with those bookmarks, Analyze over the level table's keywords, and Find All of the common
// word again with Analyze's bookmarks in place (new bookmarks land between old ones all over
// the list). Beside `grep -ci` on the same file, in the same run.
//
//   QT_QPA_PLATFORM=offscreen build/bench/CommandsBench [--size BYTES] [--file LOG] [--only NAME]
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/LevelConfig.h"
#include "commands/Commands.h"
#include "commands/FindDlg.h"
#include "loader/TraceWnd.h"
#include "res/Resources.h"
#include "support/LogGenerator.h"
#include "support/Measure.h"
#include "view/LogListBox.h"
#include "view/LogViewCore.h"

namespace {

// A log view reduced to what loading and the commands need: the log list and its core, a
// marks list, and the routing of the view's messages.
class BenchView : public CommandHost, public CWnd {
public:
    BenchView()
        : m_logList(new CLogListBox(&m_window)),
          m_marks(new CListBox(DisplayList::SelectionMode::Single, &m_window)),
          m_editor(new QLineEdit(&m_window)), m_core(m_logList->Model()) {
        m_window.resize(1000, 700);
        m_logList->setGeometry(0, 0, 700, 700);
        m_marks->setGeometry(700, 0, 300, 700);
        m_editor->hide();
        CreateHandle();
    }
    ~BenchView() override { DestroyWindow(); }

    CLogViewCore& Core() override { return m_core; }
    CLogListBox& LogList() override { return *m_logList; }
    CListBox* MarksList() override { return m_marks; }
    void RefreshMarks() override {
        DisplayList& marks = m_marks->Model();
        if (!m_core.m_bookmarks.empty())
            marks.ResetContent();
        for (uint32_t index : m_core.m_bookmarks)
            marks.AddString(m_logList->Model().GetText(static_cast<int>(index)));
    }
    HWND ViewHandle() override { return GetSafeHwnd(); }
    QWidget* DialogParent() override { return &m_window; }
    QLineEdit* LineEditor() override { return m_editor; }
    void StartRefill() override {}
    bool IsLoading() const override { return !loaded; }
    void SetStatusText(const QString&) override {}
    bool IsModified() const override { return false; }
    void SetModifiedFlag(bool) override {}
    void OpenDocumentFile(const QString&) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case UM_ADD_LINE:
            return m_core.OnAddLine(wParam, lParam);
        case UM_LOAD_DONE:
            loaded = true;
            return m_core.OnLoadDone(wParam, lParam);
        case UM_ADD_BOOKMARK:
            return bookmark_commands::OnAddBookmark(*this, static_cast<int>(lParam));
        case WM_COMMAND:
            if (LOWORD(wParam) == ID_EDIT_NEXTMARK)
                bookmark_commands::OnNextMark(*this);
            return 0;
        default:
            return 0;
        }
    }

    // No bookmark, no selection, no current mark.
    void ClearMarks() {
        for (uint32_t index : m_core.m_bookmarks)
            m_logList->ToggleBookmarkBit(static_cast<int>(index));
        m_core.m_bookmarks.clear();
        m_core.m_currentMark = -1;
        m_logList->Model().SetSel(-1, false);
    }

    bool loaded = false;

private:
    QWidget m_window;
    CLogListBox* m_logList;
    CListBox* m_marks;
    QLineEdit* m_editor;
    CLogViewCore m_core;
};

// Find with `keyword` typed into the dialog and Find All pressed ("Bookmark Found" as the
// dialog opens: checked). A keyword found nowhere gets its report and the fresh dialog is
// cancelled. Returns the seconds the command took.
double TimedFind(BenchView& view, const std::string& keyword) {
    int dialogs = 0;
    const PromptHandler previous = SetPromptHandler([&](const PromptRequest& request) {
        if (request.kind == PromptKind::Dialog && request.dialog && dialogs++ == 0) {
            request.dialog->SetDlgItemText(IDC_FIND_WHAT, QString::fromStdString(keyword));
            request.dialog->GetDlgItem<QPushButton>(IDOK)->click();
        }
        return PromptAnswer{IDCANCEL, {}};
    });
    Stopwatch watch;
    find_commands::OnFind(view);
    const double seconds = watch.Seconds();
    SetPromptHandler(previous);
    return seconds;
}

// `grep -ci` on the file. Its count goes through a pipe: grep stops at the first match
// when its output is /dev/null, and TimeCommand discards output that way.
double TimeGrep(const std::string& patterns, const std::string& path) {
    return TimeCommand("grep -ci " + patterns + " '" + path + "' | cat");
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(argc, argv, 200ull << 20);
    const std::string path = PrepareLog(options);
    if (!LoadLevelConfiguration(options.dataDir + "/quorvix.ini", GlobalLevelTables()))
        return 1;
    g_loadStatus = 0;

    auto view = std::make_unique<BenchView>();
    {
        CTraceWnd reader(path);
        reader.CreateEx(view->GetSafeHwnd());
        while (!view->loaded)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double lines = view->LogList().GetCount();
    Report("commands.lines", lines, "lines");

    const auto findFigures = [&](const std::string& name, const char* word) {
        if (!options.Wants("commands." + name))
            return;
        const double grep = TimeGrep(word, path);
        view->ClearMarks();
        const double seconds = TimedFind(*view, word);
        Report("ref.grep_ci_" + std::string(word) + ".seconds", grep, "s");
        Report("commands." + name + ".seconds", seconds, "s");
        Report("commands." + name + ".matches", view->LogList().Model().GetSelCount(), "lines");
        Report("commands." + name + ".ratio_grep_ci", seconds / grep, "x");
    };
    findFigures("find_rare", kRareWord);
    findFigures("find_common", kCommonWord);

    if (options.Wants("commands.next_mark") || options.Wants("commands.show_bookmarks")) {
        if (view->Core().m_bookmarks.empty())
            TimedFind(*view, kCommonWord);
        const size_t marks = view->Core().m_bookmarks.size();
        if (options.Wants("commands.next_mark")) {
            // Once round every bookmark, from the first.
            view->Core().m_currentMark = static_cast<int>(view->Core().m_bookmarks.front());
            Stopwatch watch;
            for (size_t i = 0; i < marks; ++i)
                bookmark_commands::OnNextMark(*view);
            const double seconds = watch.Seconds();
            Report("commands.next_mark.bookmarks", static_cast<double>(marks), "lines");
            Report("commands.next_mark.walk_seconds", seconds, "s");
            Report("commands.next_mark.us_per_press", seconds * 1e6 / static_cast<double>(marks), "us");
        }
        if (options.Wants("commands.show_bookmarks")) {
            Stopwatch watch;
            bookmark_commands::OnShowBookmarks(*view);
            Report("commands.show_bookmarks.seconds", watch.Seconds(), "s");
            Report("commands.show_bookmarks.entries", view->MarksList()->GetCount(), "lines");
        }
    }

    if (options.Wants("commands.analyze")) {
        std::string patterns;
        int keywords = 0;
        for (const LevelType& level : g_levelTypes) {
            if (level.name.empty())
                continue;
            for (const std::string& keyword : level.keywords) {
                patterns += " -e " + keyword;
                ++keywords;
            }
        }
        const double grepSeconds = TimeGrep(patterns, path);
        view->ClearMarks();
        Stopwatch watch;
        analyze_commands::OnAnalyze(*view);
        const double seconds = watch.Seconds();
        Report("ref.grep_ci_keywords.seconds", grepSeconds, "s");
        Report("commands.analyze.keywords", keywords, "words");
        Report("commands.analyze.seconds", seconds, "s");
        Report("commands.analyze.bookmarks", static_cast<double>(view->Core().m_bookmarks.size()), "lines");
        Report("commands.analyze.ratio_grep_ci", seconds / grepSeconds, "x");

        // Analyze's bookmarks stay; the common word's lines fall between them.
        if (options.Wants("commands.analyze_then_find")) {
            const size_t before = view->Core().m_bookmarks.size();
            const double find = TimedFind(*view, kCommonWord);
            Report("commands.analyze_then_find_common.seconds", find, "s");
            Report("commands.analyze_then_find_common.new_bookmarks",
                   static_cast<double>(view->Core().m_bookmarks.size() - before), "lines");
        }
    }
    return 0;
}
