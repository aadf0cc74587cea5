#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "app/QuorvixApp.h"
#include "commands/Commands.h"
#include "loader/ProgressDlg.h"
#include "loader/TraceWnd.h"
#include "res/FrameResources.h"
#include "res/Strings.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"
#include "view/FilterBar.h"
#include "view/LogListBox.h"
#include "view/QuorvixView.h"

namespace {

constexpr int kWaitMs = 60000; // only a guard against hanging

using Texts = std::vector<std::string>;

// Stands in for the log window around the view: records what the view's signals tell.
struct FakeSite {
    void Connect(CQuorvixView& view) {
        view.SetMarksList(marks);
        QObject::connect(&view, &CQuorvixView::ShowWanted, [this] { ++shown; });
        QObject::connect(&view, &CQuorvixView::CloseWanted, [this, &view](bool forget) {
            ++closeRequests;
            if (forget)
                removedFromRecent << view.SourcePath();
        });
        QObject::connect(&view, &CQuorvixView::ModifiedChanged, [this](bool value) { modified = value; });
        QObject::connect(&view, &CQuorvixView::StatusTextChanged,
                         [this](const QString& text) { statusTexts << text; });
        QObject::connect(&view, &CQuorvixView::SavedFileToShow, [this](const QString& file, bool newWindow) {
            if (newWindow)
                opened << file;
        });
    }

    bool modified = false;
    CListBox* marks = nullptr;
    QStringList statusTexts;
    QStringList opened;
    QStringList removedFromRecent;
    int shown = 0;
    int closeRequests = 0;
};

// Sets the process-wide level tables for one test from a configuration text.
class Levels {
public:
    Levels(const TempDir& dir, std::string_view ini) {
        const QString old = QDir::currentPath();
        dir.Write("quorvix.ini", ini);
        QDir::setCurrent(QString::fromStdString(dir.Path()));
        loaded = CQuorvixApp::LoadConfiguration("quorvix.ini");
        QDir::setCurrent(old);
    }
    ~Levels() { CQuorvixApp::LoadConfiguration("/no/such/quorvix.ini"); }
    bool loaded = false;
};

// A log view in a window of its own, beside a marks list.
class ViewTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(levels.loaded);
        window.resize(900, 600);
        site.marks = new CListBox(DisplayList::SelectionMode::Single, &window);
        site.marks->setGeometry(700, 0, 200, 600);
        window.show();
    }
    void TearDown() override { view.reset(); }

    // Makes the view for `path` and runs its initial update.
    void Open(const QString& path) {
        view = std::make_unique<CQuorvixView>(path, &window);
        site.Connect(*view);
        log_view_commands::Attach(*view);
        view->setGeometry(0, 0, 700, 600);
        view->show();
        view->OnInitialUpdate();
    }
    bool WaitForLoad() {
        return QTest::qWaitFor([&] { return view->IsLoadDone(); }, kWaitMs);
    }
    bool WaitForRefill() {
        return QTest::qWaitFor([&] { return !view->IsRefilling() && !view->IsRefillPending(); }, kWaitMs);
    }
    Texts Lines() const {
        Texts texts;
        const DisplayList& list = view->LogList().Model();
        for (int i = 0; i < list.GetCount(); ++i)
            texts.emplace_back(list.GetText(i));
        return texts;
    }
    QString Write(std::string_view name, std::string_view bytes) {
        return QString::fromStdString(dir.Write(name, bytes));
    }
    // A log big enough that its load takes many batches.
    QString WriteBigLog(int lines) {
        std::string bytes;
        for (int i = 0; i < lines; ++i)
            bytes += "  line " + std::to_string(i) + (i % 5 == 0 ? " x ERROR  \n" : "\n");
        return Write("big.log", bytes);
    }

    TempDir dir;
    Levels levels{dir, "LOAD_STATUS = 0\n{\n$Type ERROR:10\n}\n"};
    FakePrompts prompts;
    QWidget window;
    FakeSite site;
    std::unique_ptr<CQuorvixView> view;
};

} // namespace

TEST_F(ViewTest, AnExistingLogShowsItsWindowAndLoads) {
    Open(Write("a.log", "one\n12:00 ERROR two\n"));
    EXPECT_EQ(site.shown, 1);
    EXPECT_TRUE(view->IsLoading()); // asked for, from the event loop
    EXPECT_EQ(view->ReaderWindow(), nullptr);
    ASSERT_TRUE(WaitForLoad());
    EXPECT_FALSE(view->IsLoading());
    EXPECT_EQ(Lines(), (Texts{"one", "12:00 ERROR two"}));
    EXPECT_EQ(view->Core().m_lineEntries.GetCount(), 2u);
    EXPECT_TRUE(view->Core().m_levelFilter[1].present);
    EXPECT_EQ(site.closeRequests, 0);
    EXPECT_EQ(prompts.Requests().size(), 0u);
    // The in-place editor waits hidden.
    EXPECT_TRUE(view->LineEditor()->isHidden());
}

TEST_F(ViewTest, AMissingEmptyOrOddFileIsReportedAndTheWindowCloses) {
    std::filesystem::create_directories(dir.File("dir.log"));
    for (const QString& path : {Write("empty.log", ""), QString::fromStdString(dir.File("missing.log")),
                                QString::fromStdString(dir.File("dir.log")), QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(path.toStdString());
        site = FakeSite{};
        site.marks = nullptr;
        prompts.Clear();
        Open(path);
        EXPECT_EQ(prompts.MessageTexts(), QStringList{QStringLiteral("Specified file not found!")});
        EXPECT_EQ(site.closeRequests, 1);
        EXPECT_EQ(site.removedFromRecent, QStringList{path});
        EXPECT_EQ(site.shown, 0);
        EXPECT_FALSE(view->IsLoading());
        QCoreApplication::processEvents();
        EXPECT_EQ(view->ReaderWindow(), nullptr);
        view.reset();
    }
    if (::geteuid() != 0) {
        // A file that is there but cannot be read says so, and stays in the recent list.
        const QString locked = Write("locked.log", "secret\n");
        std::filesystem::permissions(locked.toStdString(), std::filesystem::perms::none);
        site = FakeSite{};
        prompts.Clear();
        Open(locked);
        ASSERT_EQ(prompts.MessageTexts().size(), 1);
        EXPECT_TRUE(prompts.MessageTexts().front().startsWith(QStringLiteral("Cannot open ") + locked));
        EXPECT_EQ(site.closeRequests, 1);
        EXPECT_TRUE(site.removedFromRecent.isEmpty());
    }
}

TEST_F(ViewTest, TheLogListFillsTheViewAfterEveryResize) {
    Open(Write("a.log", "x\n"));
    ASSERT_TRUE(WaitForLoad());
    for (const QSize size : {QSize(640, 480), QSize(123, 45), QSize(1000, 700), QSize(0, 0)}) {
        view->resize(size);
        EXPECT_EQ(view->LogList().geometry(), QRect(QPoint(0, 0), size));
    }
    // The form holds the log list, its line editor and the (hidden) filter bar, nothing
    // else to hide.
    EXPECT_EQ(view->findChildren<QAbstractButton*>().size(),
              view->FilterBar()->findChildren<QAbstractButton*>().size());
    EXPECT_EQ(view->findChildren<CListBox*>().size(), 1);
    // Any layout puts it back.
    view->LogList().setGeometry(5, 5, 10, 10);
    view->resize(view->size() + QSize(1, 1));
    EXPECT_EQ(view->LogList().geometry(), view->rect());
}

TEST_F(ViewTest, TheScrollRangeReachesTheLastLineWhenTheLoadEnds) {
    // Many batches: the range follows them held back, and is whole once the load is done.
    Open(WriteBigLog(300000));
    ASSERT_TRUE(WaitForLoad());
    CLogListBox& list = view->LogList();
    ASSERT_EQ(list.GetCount(), 300000);
    EXPECT_EQ(list.verticalScrollBar()->maximum(), 300000 - list.VisibleRowCount());
}

TEST_F(ViewTest, DeleteGoesToTheEditorInsideItAndDeletesLinesElsewhere) {
    Open(Write("a.log", "zero\none\ntwo\nthree\nfour\n"));
    ASSERT_TRUE(WaitForLoad());
    CLogListBox& list = view->LogList();

    // On the list: the selected lines go and the document is modified.
    list.Model().SetSel(1, true);
    list.Model().SetSel(3, true);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(Lines(), (Texts{"zero", "two", "four"}));
    EXPECT_TRUE(site.modified);

    // In the editor: Delete takes a character, no line goes; Enter writes the edit back.
    view->SetModifiedFlag(false); // as a save of the document does
    EXPECT_FALSE(site.modified);
    const QRect rect = list.GetItemRect(1);
    ASSERT_FALSE(rect.isNull());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(rect.left() + 20, rect.top() + rect.height() / 2));
    QLineEdit* editor = view->LineEditor();
    ASSERT_FALSE(editor->isHidden());
    ASSERT_EQ(editor->text(), "two");
    editor->setCursorPosition(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->text(), "wo");
    EXPECT_EQ(list.GetCount(), 3);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(editor->isHidden());
    EXPECT_EQ(Lines(), (Texts{"zero", "wo", "four"}));
    EXPECT_TRUE(site.modified);
}

TEST_F(ViewTest, ARefillWaitsForTheLoadAndForAnotherRefill) {
    const int lineCount = 30000;
    Open(WriteBigLog(lineCount));
    // Asked for while the log loads: it waits, and runs once the load has ended, on the
    // whole log (the lines the load still adds included, none twice).
    ASSERT_TRUE(view->IsLoading());
    view->LogList().Model().ResetContent();
    view->StartRefill();
    EXPECT_TRUE(view->IsRefillPending());
    EXPECT_FALSE(view->IsRefilling());
    ASSERT_TRUE(WaitForLoad());
    ASSERT_TRUE(WaitForRefill());
    ASSERT_EQ(view->LogList().GetCount(), lineCount);
    EXPECT_EQ(view->LogList().Model().GetText(0), "line 0 x ERROR"); // from the store: trimmed
    EXPECT_EQ(view->LogList().Model().GetText(lineCount - 1), "line " + std::to_string(lineCount - 1));

    // Asked for while another runs: it waits for that one, then starts from an empty list.
    view->Core().m_levelFilter[0].show = false; // only the ERROR lines now
    view->StartRefill();
    EXPECT_TRUE(view->IsRefilling());
    view->StartRefill();
    EXPECT_TRUE(view->IsRefillPending());
    ASSERT_TRUE(WaitForRefill());
    ASSERT_EQ(view->LogList().GetCount(), lineCount / 5);
    EXPECT_EQ(view->LogList().Model().GetText(1), "line 5 x ERROR");
}

TEST_F(ViewTest, ARefillStepsAndClosesItsOwnProgressDialog) {
    Open(Write("a.log", "one\ntwo\nthree\n"));
    ASSERT_TRUE(WaitForLoad());
    const int32_t saved = g_loadStatus;
    g_loadStatus = 1;
    view->LogList().Model().ResetContent();
    view->StartRefill();
    QPointer<CProgressDlg> progress = view->RefillProgress();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->Upper(), 300u); // 100 per stored line
    ASSERT_TRUE(WaitForRefill());
    g_loadStatus = saved;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(progress.isNull() || progress->IsClosed());
    EXPECT_EQ(Lines(), (Texts{"one", "two", "three"}));
}

TEST_F(ViewTest, ClosingWhileTheLogLoadsOrRefillsStopsTheThreadsAndFreesTheLines) {
    // Closed before the load could start: no reader starts after it.
    Open(Write("early.log", "one\n"));
    view->OnDestroy();
    QCoreApplication::processEvents();
    EXPECT_EQ(view->ReaderWindow(), nullptr);
    view.reset();

    Open(WriteBigLog(300000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->LogList().GetCount() > 0; }, kWaitMs));
    ASSERT_FALSE(view->IsLoadDone()) << "the log loaded too fast for this test";
    view->OnDestroy(); // joins the reader before the lines go
    EXPECT_EQ(view->ReaderWindow(), nullptr);
    EXPECT_TRUE(view->Core().m_lineEntries.IsEmpty());
    EXPECT_EQ(view->LogList().GetCount(), 0);
    view.reset();
    QCoreApplication::processEvents(); // batches still queued went with the reader

    Open(WriteBigLog(200000));
    ASSERT_TRUE(WaitForLoad());
    view->LogList().Model().ResetContent();
    view->StartRefill();
    ASSERT_TRUE(view->IsRefilling());
    view.reset(); // the view's destruction stops and joins the refill first
    QCoreApplication::processEvents();
}

TEST_F(ViewTest, CommandsAndMessagesReachTheirHandlers) {
    Open(Write("a.log", "a\nb x\nc\n"));
    ASSERT_TRUE(WaitForLoad());
    // The log view's route takes its nine commands and nothing else.
    for (const int id : {57634, 57636, 57633, 57604, 32772, 32773, 32774, 32775, 32776})
        EXPECT_TRUE(log_view_commands::OnCmdMsg(*view, id, false)) << id;
    for (const int id : {57601, 57603, 57607, 32779})
        EXPECT_FALSE(log_view_commands::OnCmdMsg(*view, id, false)) << id;

    // A bookmark, then Next Mark through the route.
    view->Core().m_bookmarks.Add(1);
    EXPECT_EQ(view->Core().m_bookmarks.Indices(), (std::vector<uint32_t>{1}));
    view->Core().m_bookmarks.SetCurrentMark(1);
    EXPECT_TRUE(log_view_commands::OnCmdMsg(*view, ID_EDIT_NEXTMARK, true));
    EXPECT_EQ(view->LogList().Model().GetSel(1), 1);

    // A selection change by the user shows the caret line in the status bar.
    const QRect rect = view->LogList().GetItemRect(2);
    ASSERT_FALSE(rect.isNull());
    QTest::mouseClick(view->LogList().viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(rect.left() + 20, rect.top() + 2));
    ASSERT_FALSE(site.statusTexts.isEmpty());
    EXPECT_EQ(site.statusTexts.back(), "[2] c\n");
}

TEST_F(ViewTest, TextFiltersRebuildTheListAndSayWhenTheyHideEveryLine) {
    const int lineCount = 30000;
    Open(WriteBigLog(lineCount));
    ASSERT_TRUE(WaitForLoad());
    // The bar shows above the list from the View menu's command, and hides again.
    ASSERT_NE(view->FilterBar(), nullptr);
    EXPECT_FALSE(view->FilterBar()->isVisibleTo(view.get()));
    log_view_commands::OnCmdMsg(*view, ID_VIEW_FILTERBAR, true);
    EXPECT_TRUE(view->FilterBar()->isVisibleTo(view.get()));
    EXPECT_GT(view->LogList().geometry().top(), 0);
    log_view_commands::OnCmdMsg(*view, ID_VIEW_FILTERBAR, true);
    EXPECT_EQ(view->LogList().geometry().top(), 0);

    // Only the ERROR lines (every fifth), by the rebuild the view runs in batches.
    ASSERT_TRUE(view->Core().SetLineFilters({LineFilterSpec{"ERROR", {true, true, false}, false, true}}));
    view->StartRefill();
    ASSERT_TRUE(WaitForRefill());
    ASSERT_EQ(view->LogList().GetCount(), lineCount / 5);
    EXPECT_EQ(view->LogList().Model().GetText(1), "line 5 x ERROR");

    ASSERT_TRUE(view->Core().SetLineFilters({LineFilterSpec{"line", {true, false, false}, true, true}}));
    view->StartRefill();
    ASSERT_TRUE(WaitForRefill());
    EXPECT_EQ(view->LogList().GetCount(), 0);
    ASSERT_FALSE(site.statusTexts.isEmpty());
    EXPECT_EQ(site.statusTexts.back(), res::kFilterHidesAll);
}
