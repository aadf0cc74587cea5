// The commands that rebuild, copy, save and delete, on a log loaded through the real
// pipeline: Options with one level hidden (the rebuild run at once, without its worker),
// Copy of every line, Save As of the whole list beside `cp` of the file (plain, and made
// durable with `sync` as a save is), and Delete of
// 100,000 selected lines spread over the list.
//
//   QT_QPA_PLATFORM=offscreen build/bench/EditBench [--size BYTES] [--file LOG]
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/LevelConfig.h"
#include "commands/Commands.h"
#include "commands/OptionsDlg.h"
#include "loader/TraceWnd.h"
#include "platform/DialogTemplate.h"
#include "support/Measure.h"
#include "view/LogListBox.h"
#include "view/LogViewCore.h"

namespace {

// A log view as far as the commands see it: the log list, the marks list and the editor
// in a window that is never shown, taking the lines of a load.
class BenchHost : public CommandHost, public CWnd {
public:
    BenchHost()
        : m_logList(new CLogListBox(&m_window)),
          m_marks(new CListBox(DisplayList::SelectionMode::Single, &m_window)),
          m_editor(new QLineEdit(&m_window)), m_core(m_logList->Model()) {
        m_window.resize(800, 600);
        m_logList->setGeometry(0, 0, 600, 600);
        m_editor->hide();
        m_editor->setEnabled(false);
        CreateHandle();
    }
    ~BenchHost() override { DestroyWindow(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == UM_ADD_LINE)
            return m_core.OnAddLine(wParam, lParam);
        if (message == UM_LOAD_DONE) {
            done = true;
            return m_core.OnLoadDone(wParam, lParam);
        }
        return 0;
    }

    CLogViewCore& Core() override { return m_core; }
    CLogListBox& LogList() override { return *m_logList; }
    CListBox* MarksList() override { return m_marks; }
    void RefreshMarks() override {}
    HWND ViewHandle() override { return GetSafeHwnd(); }
    QWidget* DialogParent() override { return &m_window; }
    QLineEdit* LineEditor() override { return m_editor; }
    void StartRefill() override {
        for (size_t i = 0; i < m_core.m_lineEntries.GetCount(); ++i)
            m_core.RefillLine(m_core.m_lineEntries[i]);
    }
    bool IsLoading() const override { return !done; }
    void SetStatusText(const QString&) override {}
    bool IsModified() const override { return modified; }
    void SetModifiedFlag(bool value) override { modified = value; }
    void OpenDocumentFile(const QString&) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}

    bool done = false;
    bool modified = false;

private:
    QWidget m_window;
    CLogListBox* m_logList;
    CListBox* m_marks;
    QLineEdit* m_editor;
    CLogViewCore m_core;
};

// Answers every prompt as a user would: the Options dialog by clicking the boxes of
// `toggle` and OK, the save dialog with `savePath`, questions with No, messages with OK.
struct ScriptedUser {
    std::vector<int> toggle;
    QString savePath;

    PromptAnswer operator()(const PromptRequest& request) const {
        switch (request.kind) {
        case PromptKind::Dialog:
            for (int k : toggle)
                request.dialog->GetDlgItem<QAbstractButton>(COptionsDlg::kCheckIds[k])->click();
            request.dialog->GetDlgItem<QAbstractButton>(IDOK)->click();
            return {IDOK, {}};
        case PromptKind::SaveFile:
            return {IDOK, {savePath}};
        case PromptKind::MessageBox:
            return {(request.style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK, {}};
        default:
            return {IDCANCEL, {}};
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(argc, argv, 200ull << 20);
    const std::string path = PrepareLog(options);
    if (!LoadLevelConfiguration(options.dataDir + "/quorvix.ini", GlobalLevelTables()))
        return 1;
    g_loadStatus = 0;

    auto host = std::make_unique<BenchHost>();
    {
        auto reader = std::make_unique<CTraceWnd>(path);
        reader->CreateEx(host->GetSafeHwnd());
        while (!host->done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    DisplayList& list = host->LogList().Model();
    const double lines = list.GetCount();
    Report("edit.lines", lines, "lines");
    ScriptedUser user;
    SetPromptHandler(std::cref(user));

    if (options.Wants("edit.options")) {
        // INFO (filter entry 3) off, then on again.
        user.toggle = {3};
        Stopwatch hide;
        filter_commands::OnOptions(*host);
        Report("edit.options_hide_level.seconds", hide.Seconds(), "s");
        Report("edit.options_hide_level.lines_shown", list.GetCount(), "lines");
        Stopwatch show;
        filter_commands::OnOptions(*host);
        Report("edit.options_show_level.seconds", show.Seconds(), "s");
        user.toggle.clear();
    }

    if (options.Wants("edit.copy")) {
        list.SetSel(-1, true);
        Stopwatch copy;
        clipboard_commands::OnCopy(*host);
        const double seconds = copy.Seconds();
        Report("edit.copy_all.seconds", seconds, "s");
        Report("edit.copy_all.lines_per_s", lines / seconds, "lines/s");
        list.SetSel(-1, false);
    }

    if (options.Wants("edit.save")) {
        const std::string saved = options.dataDir + "/edit-saved.txt";
        const std::string copied = options.dataDir + "/edit-cp.txt";
        const double cp = TimeCommand("cp '" + path + "' '" + copied + "'");
        // A save is made durable before it replaces the target; cp is not. This is cp with
        // the same guarantee.
        const double cpSync = TimeCommand("cp '" + path + "' '" + copied + "' && sync '" + copied + "'");
        user.savePath = QString::fromStdString(saved);
        Stopwatch save;
        clipboard_commands::OnSaveAs(*host);
        const double seconds = save.Seconds();
        const double bytes = static_cast<double>(std::filesystem::file_size(saved));
        Report("edit.ref_cp.seconds", cp, "s");
        Report("edit.ref_cp_sync.seconds", cpSync, "s");
        Report("edit.save_as.seconds", seconds, "s");
        Report("edit.save_as.mb_per_s", bytes / 1e6 / seconds, "MB/s");
        Report("edit.save_as.ratio_cp", seconds / cp, "x");
        Report("edit.save_as.ratio_cp_sync", seconds / cpSync, "x");
        std::filesystem::remove(saved);
        std::filesystem::remove(copied);
    }

    if (options.Wants("edit.delete")) {
        // 100,000 lines evenly spread, so the deletion reaches the whole list.
        const int count = list.GetCount();
        const int wanted = std::min(count, 100000);
        for (int i = 0; i < wanted; ++i)
            list.SetSel(static_cast<int>(static_cast<int64_t>(i) * count / wanted), true);
        Stopwatch erase;
        edit_commands::DeleteSelectedLines(*host);
        Report("edit.delete_100k.seconds", erase.Seconds(), "s");
        Report("edit.delete_100k.lines_left", list.GetCount(), "lines");
    }
    SetPromptHandler({});
    return 0;
}
