// The whole program on a generated log, offscreen, through its real objects: the
// application, the document and its log window, the view's command routing, the prompts
// a user answers. In order: open and load; Options with one level hidden (the refill);
// a text filter hiding a common word and one showing only a rare word (the same refill);
// Find All of a rare and of a common word (each line found selected and bookmarked), of a
// rare and a common regular expression, and of the common word with Match case and with
// Whole word; F3
// once round every bookmark; Ctrl+Shift+B; Copy of the selected lines; Analyze; Save As of
// the whole list; Delete of 100,000 selected lines; the log closed and loaded again;
// closing a log while it loads.
//
// Beside each, the reference work on the same file in the same run (`wc -l`, `grep -c`,
// `LC_ALL=C grep -ci`, `grep -cE`, `cp`), and the ratio to it, so the figures hold on a noisy machine.
//
//   QT_QPA_PLATFORM=offscreen build/bench/ProgramBench [--size BYTES] [--file LOG] [--only NAME]
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/QuorvixApp.h"
#include "commands/Commands.h"
#include "commands/OptionsDlg.h"
#include "core/LevelConfig.h"
#include "frames/DocManager.h"
#include "frames/QuorvixDoc.h"
#include "frames/SplitterFrame.h"
#include "platform/ControlIds.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "support/EventLoop.h"
#include "support/LogGenerator.h"
#include "support/Measure.h"
#include "view/LogListBox.h"
#include "view/QuorvixView.h"

namespace {

// The regular expressions of Find All: one the generated log holds on its rare lines, one on
// about four lines in ten.
constexpr const char* kRareRegex = "zanzibar|link (loss|down) on port [0-9]+";
constexpr const char* kCommonRegex = "sess(ion|ment)s?";

// Answers every prompt as a user would: the Find dialog with `findWhat` and Find All, the
// Options dialog by clicking the boxes of `toggle` and OK, the save dialog with `savePath`,
// Yes/No questions with No, messages with OK.
struct ScriptedUser {
    std::string findWhat;
    // The Find dialog's option boxes to check before Find All.
    std::vector<int> findBoxes;
    std::vector<size_t> toggle;
    QString savePath;
    int dialogs = 0;

    PromptAnswer operator()(const PromptRequest& request) {
        switch (request.kind) {
        case PromptKind::Dialog:
            // A Find All that finds nothing opens a fresh Find dialog: that one is cancelled.
            if (dialogs++ > 0)
                return {IDCANCEL, {}};
            if (!findWhat.empty()) {
                FindControl<QLineEdit>(request.dialog, IDC_FIND_WHAT)
                    ->setText(QString::fromStdString(findWhat));
                for (const int box : findBoxes)
                    FindControl<QAbstractButton>(request.dialog, box)->setChecked(true);
            } else {
                for (size_t k : toggle)
                    FindControl<QAbstractButton>(request.dialog, COptionsDlg::kCheckIds[k])->click();
            }
            FindControl<QAbstractButton>(request.dialog, IDOK)->click();
            return {IDOK, {}};
        case PromptKind::SaveFile:
            return {IDOK, {savePath}};
        case PromptKind::MessageBox:
            return {(request.style & MB_TYPEMASK) == MB_OK ? IDOK : IDNO, {}};
        default:
            return {IDCANCEL, {}};
        }
    }
};

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// Runs the view's command `id` as its menu item would, with the user answering as told,
// and returns the seconds it took.
double TimedCommand(CQuorvixView& view, ScriptedUser& user, int id) {
    user.dialogs = 0;
    Stopwatch watch;
    log_view_commands::OnCmdMsg(view, id, true);
    return watch.Seconds();
}

void ReportRatio(const std::string& name, double seconds, double reference, const std::string& referenceName,
                 double target) {
    Report(name + ".seconds", seconds, "s");
    Report(name + ".ratio_" + referenceName, seconds / reference, "x");
    Report(name + ".target_" + referenceName, target, "x");
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qapp(argc, argv);
    const BenchOptions options = ParseBenchOptions(argc, argv, 1ull << 30);
    const std::string path = std::filesystem::absolute(PrepareLog(options)).string();
    const QString logPath = QString::fromStdString(path);
    const std::string dataDir = std::filesystem::absolute(options.dataDir).string();
    // The program reads quorvix.ini from its working directory; its settings stay apart
    // from the user's.
    const QString settings = QString::fromStdString(dataDir + "/settings");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
    QDir::setCurrent(QString::fromStdString(dataDir));

    const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
    const double wc = TimeCommand("wc -l " + Quoted(path));
    const double grepC = TimeCommand("grep -c ERROR " + Quoted(path));
    Report("ref.wc_l.seconds", wc, "s");
    Report("ref.grep_c.seconds", grepC, "s");

    ScriptedUser user;
    SetPromptHandler(std::ref(user));
    auto program = std::make_unique<CQuorvixApp>();
    if (!program->InitInstance({}))
        return 1;
    StallMeter stalls;

    // ---- open and load --------------------------------------------------------------
    const uint64_t rssBefore = CurrentRss();
    const double guiCpuBefore = ThreadCpuSeconds();
    const double processCpuBefore = ProcessCpuSeconds();
    Stopwatch load;
    stalls.Start();
    CQuorvixDoc* doc = program->OpenDocumentFile(logPath);
    if (!doc || !CDocManager::WindowOf(doc) || !CDocManager::WindowOf(doc)->LogView())
        return 1;
    CQuorvixView& view = *CDocManager::WindowOf(doc)->LogView();
    WaitUntil([&] { return view.IsLoadDone(); });
    const double loadSeconds = load.Seconds();
    const double loadStall = stalls.StopMs();
    const double guiCpu = ThreadCpuSeconds() - guiCpuBefore;
    const double processCpu = ProcessCpuSeconds() - processCpuBefore;
    DisplayList& list = view.LogList().Model();
    const double lines = list.GetCount();
    const double loadedBytes = static_cast<double>(CurrentRss() - rssBefore);
    // A log beyond the in-memory budget keeps its text in its file, with targets of its own.
    const bool fileBacked = view.Core().m_lineEntries.FileBacked();
    Report("program.lines", lines, "lines");
    Report("program.file_mb", fileBytes / 1e6, "MB");
    Report("program.file_backed", fileBacked ? 1 : 0, "");
    ReportRatio("program.load", loadSeconds, grepC, "grep_c", fileBacked ? 1.5 : 4);
    Report("program.load.mb_per_s", fileBytes / 1e6 / loadSeconds, "MB/s");
    Report("program.load.lines_per_s", lines / loadSeconds, "lines/s");
    Report("program.load.longest_gui_stall", loadStall, "ms");
    // The GUI thread's share and the rest (the reader, Qt's painting threads).
    Report("program.load.gui_thread_cpu", guiCpu, "s");
    Report("program.load.gui_thread_cpu.target", fileBacked ? 20e-9 * lines : 0.25, "s");
    Report("program.load.gui_thread_ns_per_line", guiCpu * 1e9 / lines, "ns");
    Report("program.load.other_threads_cpu", processCpu - guiCpu, "s");
    Report("program.load.peak_rss_per_file_byte", static_cast<double>(PeakRss()) / fileBytes, "x");
    Report("program.load.peak_rss_per_file_byte.target", fileBacked ? 0.15 : 1.15, "x");
    Report("program.load.memory_per_line", loadedBytes / lines, "B");
    Report("program.load.memory_per_line_beside_text", (loadedBytes - (fileBacked ? 0 : fileBytes)) / lines,
           "B");
    // What the store's and the log list's per-line structures hold, counted by themselves.
    Report("program.load.index_bytes_per_line",
           static_cast<double>(view.Core().m_lineEntries.IndexBytes() + list.IndexBytes()) / lines, "B");
    if (!fileBacked) {
        // After the load, so the load does not reuse memory this touched.
        const double freshMemory = TimeFreshMemory(static_cast<uint64_t>(fileBytes));
        Report("ref.fresh_memory.seconds", freshMemory, "s");
        // The reference's memory is gone again: the peaks below are the program's.
        ResetPeakRss();
        // What a first load cannot go below here: reading the file, and the kernel handing
        // out the memory its text is copied into.
        ReportRatio("program.load", loadSeconds, grepC + freshMemory, "grep_c_fresh_memory", 0.8);
    }

    // ---- Options: one level hidden, then shown again --------------------------------
    if (options.Wants("program.options")) {
        user.findWhat.clear();
        user.toggle = {3}; // the filter's INFO box
        for (const char* step : {"hide_level", "show_level"}) {
            stalls.Start();
            Stopwatch rebuild;
            TimedCommand(view, user, ID_VIEW_OPTIONS);
            WaitUntil([&] { return !view.IsRefilling() && !view.IsRefillPending(); });
            const double seconds = rebuild.Seconds();
            const std::string name = std::string("program.options_") + step;
            ReportRatio(name, seconds, grepC, "grep_c", 1);
            Report(name + ".lines_shown", list.GetCount(), "lines");
            Report(name + ".longest_gui_stall", stalls.StopMs(), "ms");
        }
        user.toggle.clear();
    }

    // ---- Text filters: "Hide" of a common word, "Show only" of a rare one -------------
    // Each as the filter bar applies it (the core's filters, then the same rebuild as
    // Options), with Match case, as `grep -c` compares; then the filter goes again.
    const auto filter = [&](const std::string& name, const char* word, bool hide) {
        const double grep = TimeCommand("LC_ALL=C grep -c " + std::string(word) + " " + Quoted(path));
        Report("ref.grep_c_" + std::string(word) + ".seconds", grep, "s");
        stalls.Start();
        Stopwatch rebuild;
        view.Core().SetLineFilters({LineFilterSpec{word, MatchOptions{true, false, false}, hide, true}});
        view.StartRefill();
        WaitUntil([&] { return !view.IsRefilling() && !view.IsRefillPending(); });
        ReportRatio(name, rebuild.Seconds(), grep, "grep_c", 1);
        Report(name + ".lines_shown", list.GetCount(), "lines");
        Report(name + ".longest_gui_stall", stalls.StopMs(), "ms");
        view.Core().SetLineFilters({});
        view.StartRefill();
        WaitUntil([&] { return !view.IsRefilling() && !view.IsRefillPending(); });
    };
    if (options.Wants("program.filter_hide_common"))
        filter("program.filter_hide_common", kCommonWord, true);
    if (options.Wants("program.filter_show_rare"))
        filter("program.filter_show_rare", kRareWord, false);

    // ---- Find All, F3, Ctrl+Shift+B, Copy -------------------------------------------
    const auto clearMarks = [&] {
        // No bookmark, no entry in the marks pane, no selection.
        Bookmarks& bookmarks = view.Core().m_bookmarks;
        // From the last one: each goes from the end of the sorted indices.
        const std::vector<uint32_t> marked = bookmarks.Indices();
        for (auto it = marked.rbegin(); it != marked.rend(); ++it)
            bookmarks.Toggle(static_cast<int>(*it));
        if (CListBox* marks = view.MarksList())
            marks->Model().ResetContent();
        list.SetSel(-1, false);
    };
    const auto find = [&](const std::string& name, const char* word, double target) {
        const double grep = TimeCommand("LC_ALL=C grep -ci " + std::string(word) + " " + Quoted(path));
        clearMarks();
        user.findWhat = word;
        const double seconds = TimedCommand(view, user, ID_EDIT_FIND);
        user.findWhat.clear();
        Report("ref.grep_ci_" + std::string(word) + ".seconds", grep, "s");
        ReportRatio(name, seconds, grep, "grep_ci", target);
        Report(name + ".matches", list.GetSelCount(), "lines");
    };
    if (options.Wants("program.find_rare"))
        find("program.find_rare", kRareWord, fileBacked ? 1.5 : 2);
    // Find All with the search options, each against grep doing the same.
    const auto findWith = [&](const std::string& name, const std::string& what, std::vector<int> boxes,
                              const std::string& grepFlags, const std::string& referenceName, double target) {
        const double grep = TimeCommand("LC_ALL=C grep " + grepFlags + " '" + what + "' " + Quoted(path));
        clearMarks();
        user.findWhat = what;
        user.findBoxes = std::move(boxes);
        const double seconds = TimedCommand(view, user, ID_EDIT_FIND);
        user.findWhat.clear();
        user.findBoxes.clear();
        Report("ref." + referenceName + "_" + name.substr(name.find('.') + 1) + ".seconds", grep, "s");
        ReportRatio(name, seconds, grep, referenceName, target);
        Report(name + ".matches", list.GetSelCount(), "lines");
    };
    if (options.Wants("program.find_regex_rare"))
        findWith("program.find_regex_rare", kRareRegex, {IDC_FIND_REGEX}, "-cE", "grep_ce", 1);
    if (options.Wants("program.find_regex_common"))
        findWith("program.find_regex_common", kCommonRegex, {IDC_FIND_REGEX}, "-cE", "grep_ce", 1.5);
    // Match case and Whole word, on the common word, against the plain Find All's reference.
    if (options.Wants("program.find_case_common"))
        findWith("program.find_case_common", kCommonWord, {IDC_FIND_MATCH_CASE}, "-ci", "grep_ci", 4);
    if (options.Wants("program.find_word_common"))
        findWith("program.find_word_common", kCommonWord, {IDC_FIND_WHOLE_WORD}, "-ci", "grep_ci", 4);
    const bool wantsCommon = options.Wants("program.find_common") || options.Wants("program.next_mark") ||
                             options.Wants("program.show_bookmarks") || options.Wants("program.copy");
    if (wantsCommon)
        find("program.find_common", kCommonWord, 4);
    const double cp = TimeCommand("cp " + Quoted(path) + " " + Quoted(dataDir + "/program-cp.txt"));
    Report("ref.cp.seconds", cp, "s");
    std::filesystem::remove(dataDir + "/program-cp.txt");
    if (options.Wants("program.next_mark")) {
        // Once round every bookmark.
        const size_t marks = view.Core().m_bookmarks.Count();
        Stopwatch walk;
        for (size_t i = 0; i < marks; ++i)
            log_view_commands::OnCmdMsg(view, ID_EDIT_NEXTMARK, true);
        const double seconds = walk.Seconds();
        Report("program.next_mark.bookmarks", static_cast<double>(marks), "lines");
        Report("program.next_mark.walk_seconds", seconds, "s");
        Report("program.next_mark.us_per_press", seconds * 1e6 / std::max(1.0, static_cast<double>(marks)),
               "us");
    }
    if (options.Wants("program.show_bookmarks")) {
        const double seconds = TimedCommand(view, user, ID_VIEW_BOOKMARKS);
        Report("program.show_bookmarks.seconds", seconds, "s");
        Report("program.show_bookmarks.entries", view.MarksList()->GetCount(), "lines");
    }
    // The most the process held since the load (or, of a log in memory, since the
    // fresh-memory reference): every command but Copy, whose clipboard text is a block as
    // large as the lines copied.
    Report("program.peak_rss_before_copy_per_file_byte", static_cast<double>(PeakRss()) / fileBytes, "x");
    if (options.Wants("program.copy")) {
        // The common word's lines are still selected.
        Report("program.copy.lines", list.GetSelCount(), "lines");
        ReportRatio("program.copy", TimedCommand(view, user, ID_EDIT_COPY), cp, "cp", 2);
        // The clipboard keeps the lines; their text is made when a program pastes. One
        // paste, as another program's request would make it (the text then goes again).
        Stopwatch paste;
        const QMimeData* pasted = QGuiApplication::clipboard()->mimeData();
        const qsizetype pastedBytes = pasted ? pasted->data(QStringLiteral("text/plain")).size() : 0;
        ReportRatio("program.copy_paste", paste.Seconds(), cp, "cp", 2);
        Report("program.copy_paste.mb", static_cast<double>(pastedBytes) / 1e6, "MB");
    }

    // ---- Analyze --------------------------------------------------------------------
    if (options.Wants("program.analyze")) {
        std::string patterns;
        int keywords = 0;
        for (const LevelType& level : g_levelTypes) {
            for (const std::string& keyword : level.keywords) {
                patterns += " -e " + keyword;
                ++keywords;
            }
        }
        const double grep = TimeCommand("LC_ALL=C grep -ci -F" + patterns + " " + Quoted(path));
        Report("ref.grep_ci_keywords.seconds", grep, "s");
        Report("program.analyze.keywords", keywords, "words");
        ReportRatio("program.analyze", TimedCommand(view, user, ID_OPTIONS_ANALYZE), grep, "grep_ci", 4);
        Report("program.analyze.bookmarks", static_cast<double>(view.Core().m_bookmarks.Count()), "lines");
    }

    // ---- Save As of the whole list --------------------------------------------------
    if (options.Wants("program.save_as")) {
        // A save waits until its data and its rename are on the disk: its floor is cp
        // followed by sync, timed here on the same file just before.
        const std::string copied = dataDir + "/program-cp-sync.txt";
        const double cpSync = TimeCommand("cp " + Quoted(path) + " " + Quoted(copied) + " && sync", 1);
        std::filesystem::remove(copied);
        Report("ref.cp_sync.seconds", cpSync, "s");
        const std::string saved = dataDir + "/program-saved.txt";
        user.savePath = QString::fromStdString(saved);
        const double seconds = TimedCommand(view, user, ID_FILE_SAVE_AS);
        ReportRatio("program.save_as", seconds, cp, "cp", 2);
        ReportRatio("program.save_as", seconds, cpSync, "cp_sync", 1.5);
        Report("program.save_as.mb_per_s",
               static_cast<double>(std::filesystem::file_size(saved)) / 1e6 / seconds, "MB/s");
        std::filesystem::remove(saved);
    }

    // ---- Delete of 100,000 selected lines (no bookmarks) -----------------------------
    if (options.Wants("program.delete")) {
        clearMarks();
        // Spread evenly, so the deletion reaches the whole list.
        const int count = list.GetCount();
        const int wanted = std::min(count, 100000);
        for (int i = 0; i < wanted; ++i)
            list.SetSel(static_cast<int>(static_cast<int64_t>(i) * count / wanted), true);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        Stopwatch erase;
        QCoreApplication::sendEvent(&view.LogList(), &press);
        const double seconds = erase.Seconds();
        ReportRatio("program.delete_100k", seconds, grepC, "grep_c", 1);
        Report("program.delete_100k.lines_left", list.GetCount(), "lines");
    }
    // What the process holds after every command above (bookmarks, the marks pane, the
    // clipboard's copy), against the file: memory must stay a small constant times the log.
    Report("program.rss_after_commands_per_file_byte", static_cast<double>(CurrentRss()) / fileBytes, "x");

    // ---- the same log closed and opened again ---------------------------------------
    // A fresh process gets memory the kernel has not handed out before; on a virtual
    // machine that first touch can cost more than the rest of the load (compare
    // ref.fresh_memory). Opening the log again, as a user reopens a rotated log, shows the
    // load on memory that has been in use.
    CQuorvixDoc* open = doc;
    if (options.Wants("program.load_again")) {
        CDocManager::WindowOf(open)->CloseWithoutAsking();
        WaitUntil([&] { return program->DocManager()->FindDocument(logPath) == nullptr; });
        const double againGuiCpuBefore = ThreadCpuSeconds();
        const double againProcessCpuBefore = ProcessCpuSeconds();
        stalls.Start();
        Stopwatch reload;
        open = program->OpenDocumentFile(logPath);
        if (!open || !CDocManager::WindowOf(open) || !CDocManager::WindowOf(open)->LogView())
            return 1;
        CQuorvixView& reloaded = *CDocManager::WindowOf(open)->LogView();
        WaitUntil([&] { return reloaded.IsLoadDone(); });
        ReportRatio("program.load_again", reload.Seconds(), grepC, "grep_c", 2.5);
        Report("program.load_again.lines", reloaded.LogList().GetCount(), "lines");
        Report("program.load_again.longest_gui_stall", stalls.StopMs(), "ms");
        const double againGuiCpu = ThreadCpuSeconds() - againGuiCpuBefore;
        Report("program.load_again.gui_thread_cpu", againGuiCpu, "s");
        Report("program.load_again.gui_thread_ns_per_line", againGuiCpu * 1e9 / lines, "ns");
        Report("program.load_again.other_threads_cpu",
               ProcessCpuSeconds() - againProcessCpuBefore - againGuiCpu, "s");
    }

    // ---- closing a log while it loads ------------------------------------------------
    if (options.Wants("program.close_while_loading")) {
        CDocManager::WindowOf(open)->CloseWithoutAsking();
        WaitUntil([&] { return program->DocManager()->FindDocument(logPath) == nullptr; });
        CQuorvixDoc* again = program->OpenDocumentFile(logPath);
        if (!again || !CDocManager::WindowOf(again) || !CDocManager::WindowOf(again)->LogView())
            return 1;
        CQuorvixView& loading = *CDocManager::WindowOf(again)->LogView();
        WaitUntil([&] { return loading.LogList().GetCount() >= 100000 || loading.IsLoadDone(); });
        Stopwatch close;
        CDocManager::WindowOf(again)->CloseWithoutAsking();
        WaitUntil([&] { return program->DocManager()->FindDocument(logPath) == nullptr; });
        Report("program.close_while_loading", close.Seconds() * 1000, "ms");
    }

    program->ExitInstance();
    program.reset();
    SetPromptHandler({});
    return 0;
}
