// Save As, answered Yes, over a file that a log window already shows: the file is shown as
// it now is, and no unsaved change goes without the user's word.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>

#include "commands/Commands.h"
#include "support/AppHarness.h"
#include "support/TempDir.h"
#include "view/LogListBox.h"

namespace {

using Texts = std::vector<std::string>;

class SavedFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Start()); }

    CSplitterFrame* Open(const char* name, std::string_view text) {
        return harness.OpenAndLoad(harness.Write(name, text));
    }
    static Texts Lines(CSplitterFrame* window) {
        Texts texts;
        const DisplayList& list = window->LogView()->LogList().Model();
        for (int i = 0; i < list.GetCount(); ++i)
            texts.emplace_back(list.GetText(i));
        return texts;
    }
    // Edits line `index` in place as the user does: double click, type, Enter.
    static void Edit(CSplitterFrame* window, int index, const QString& text) {
        CQuorvixView& view = *window->LogView();
        view.LogList().Model().SetCaretIndex(index);
        edit_commands::BeginLineEdit(view);
        view.LineEditor()->setText(text);
        ASSERT_TRUE(edit_commands::CommitLineEdit(view, view.LineEditor()));
    }
    // File > Save As in `window` to `path`, Yes to opening the saved file; `more` answers
    // what is asked after that.
    void SaveAs(CSplitterFrame* window, const QString& path, std::initializer_list<int> more = {}) {
        harness.Frame().ActivateLogWindow(window);
        // The command goes to the log view, as after a click into its list.
        window->LogView()->LogList().setFocus(Qt::MouseFocusReason);
        ASSERT_EQ(window->GetActiveView(), window->LogView());
        harness.prompts.Clear();
        harness.prompts.AnswerFiles({path});
        harness.prompts.Answer(IDYES);
        for (int answer : more)
            harness.prompts.Answer(answer);
        ASSERT_TRUE(harness.Frame().RouteCommand(ID_FILE_SAVE_AS, true));
        AppHarness::Settle();
        EXPECT_EQ(harness.prompts.Pending(), 0u);
    }
    // The window now open on `path`, loaded.
    CSplitterFrame* Shown(const QString& path) {
        CSplitterFrame* window = harness.WindowOf(path);
        return window && AppHarness::WaitForLoad(*window) ? window : nullptr;
    }

    AppHarness harness;
};

} // namespace

TEST_F(SavedFileTest, AWindowOnTheSavedFileGivesWayToOneShowingItAsItIsNow) {
    CSplitterFrame* from = Open("from.log", "alpha\nbeta ERROR\n");
    const QString target = harness.Write("target.log", "old line\n");
    QPointer<CSplitterFrame> old = harness.OpenAndLoad(target);

    ASSERT_TRUE(from && old);

    SaveAs(from, target);
    EXPECT_EQ(ReadWholeFile(target.toStdString()), "alpha\r\nbeta ERROR\r\n");
    CSplitterFrame* shown = Shown(target);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(old.isNull() || old->Document() == nullptr);
    EXPECT_EQ(Lines(shown), (Texts{"alpha", "beta ERROR"}));
    EXPECT_EQ(harness.Frame().ActiveLogWindow(), shown);
    EXPECT_EQ(harness.Frame().windowTitle(), "Quorvix - target.log");
    // The window saved from stays as it was; only the question to open was asked.
    EXPECT_EQ(Lines(from), (Texts{"alpha", "beta ERROR"}));
    EXPECT_EQ(harness.Docs().Documents().size(), 2u);
    EXPECT_EQ(harness.prompts.MessageTexts(), QStringList{"Do you want to open saved file (y/n)?"});
}

TEST_F(SavedFileTest, SavingOverItsOwnFileShowsTheFileAsSavedWithoutAsking) {
    const QString path = harness.Write("own.log", "first\nsecond WARN\nthird\n");
    QPointer<CSplitterFrame> window = harness.OpenAndLoad(path);
    ASSERT_TRUE(window);
    Edit(window, 1, "second, edited");
    window->LogView()->LogList().Model().DeleteString(2);
    ASSERT_TRUE(window->Document()->IsModified());

    // The changes are in the file: the window goes without the save question.
    SaveAs(window, path);
    EXPECT_EQ(ReadWholeFile(path.toStdString()), "first\r\nsecond, edited\r\n");
    CSplitterFrame* shown = Shown(path);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(window.isNull() || window->Document() == nullptr);
    EXPECT_EQ(Lines(shown), (Texts{"first", "second, edited"}));
    EXPECT_FALSE(shown->Document()->IsModified());
    EXPECT_EQ(harness.Docs().Documents().size(), 1u);
    EXPECT_EQ(harness.prompts.MessageTexts(), QStringList{"Do you want to open saved file (y/n)?"});
}

TEST_F(SavedFileTest, UnsavedChangesInTheOtherWindowGoOnlyWhenTheUserSaysSo) {
    CSplitterFrame* from = Open("from.log", "from line\n");
    const QString target = harness.Write("target.log", "one\ntwo\n");
    QPointer<CSplitterFrame> edited = harness.OpenAndLoad(target);
    ASSERT_TRUE(from && edited);
    Edit(edited, 1, "two, edited");
    const QString question =
        "target.log is open with unsaved changes.\nClose it without saving them and open the saved file?";

    // No: the window keeps its changes and comes forward; nothing else opens.
    SaveAs(from, target, {IDNO});
    EXPECT_EQ(ReadWholeFile(target.toStdString()), "from line\r\n");
    ASSERT_EQ(harness.prompts.MessageTexts(),
              QStringList({"Do you want to open saved file (y/n)?", question}));
    EXPECT_EQ(harness.prompts.Requests().back().style & MB_TYPEMASK, MB_YESNO);
    ASSERT_FALSE(edited.isNull());
    EXPECT_EQ(harness.WindowOf(target), edited.data());
    EXPECT_TRUE(edited->Document()->IsModified());
    EXPECT_EQ(Lines(edited), (Texts{"one", "two, edited"}));
    EXPECT_EQ(harness.Frame().ActiveLogWindow(), edited.data());
    EXPECT_EQ(harness.Docs().Documents().size(), 2u);

    // Yes: it goes without being saved, and the saved file is shown.
    SaveAs(from, target, {IDYES});
    EXPECT_EQ(harness.prompts.MessageTexts(),
              QStringList({"Do you want to open saved file (y/n)?", question}));
    EXPECT_EQ(ReadWholeFile(target.toStdString()), "from line\r\n");
    CSplitterFrame* shown = Shown(target);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(edited.isNull() || edited->Document() == nullptr);
    EXPECT_EQ(Lines(shown), (Texts{"from line"}));
    EXPECT_EQ(harness.Docs().Documents().size(), 2u);
}

TEST_F(SavedFileTest, AFileNotOpenOpensInANewWindowBesideTheCurrentOne) {
    CSplitterFrame* from = Open("from.log", "x\ny\n");
    ASSERT_NE(from, nullptr);
    const QString path = harness.PathOf("new.txt");
    SaveAs(from, path);
    CSplitterFrame* shown = Shown(path);
    ASSERT_NE(shown, nullptr);
    EXPECT_NE(shown, from);
    EXPECT_EQ(Lines(shown), (Texts{"x", "y"}));
    EXPECT_EQ(harness.Docs().Documents().size(), 2u);
}

// A command that closes the window it runs in (Save As, Yes, over the log's own file; File
// Close) returns first: the window, its views and its lines stay whole until the event loop
// runs again, and only then go. Under AddressSanitizer a use of any of them after the close
// would fail here.
TEST_F(SavedFileTest, AWindowClosedByItsOwnCommandGoesOnlyAfterTheCommandReturns) {
    const QString path = harness.Write("own.log", "first\nsecond WARN\n");
    QPointer<CSplitterFrame> window = harness.OpenAndLoad(path);
    ASSERT_TRUE(window);
    QPointer<CQuorvixView> view = window->LogView();
    CQuorvixDoc* doc = window->Document();

    // Save As over its own file, Yes to opening it.
    window->LogView()->LogList().setFocus(Qt::MouseFocusReason);
    harness.prompts.AnswerFiles({path});
    harness.prompts.Answer(IDYES);
    ASSERT_TRUE(harness.Frame().RouteCommand(ID_FILE_SAVE_AS, true));
    ASSERT_TRUE(window && view);
    EXPECT_TRUE(window->IsClosing());
    EXPECT_EQ(window->Document(), doc);
    EXPECT_EQ(Lines(window), (Texts{"first", "second WARN"}));
    // Already no longer listed: the path's document is the new one, the only one.
    CQuorvixDoc* shown = harness.Docs().FindDocument(path);
    ASSERT_NE(shown, nullptr);
    EXPECT_NE(shown, doc);
    EXPECT_EQ(harness.Docs().Documents(), std::vector<CQuorvixDoc*>{shown});
    AppHarness::Settle();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(view.isNull());
    CSplitterFrame* renewed = Shown(path);
    ASSERT_NE(renewed, nullptr);
    EXPECT_EQ(Lines(renewed), (Texts{"first", "second WARN"}));

    // File Close from the window's own menu: the same.
    QPointer<CSplitterFrame> closing = renewed;
    ASSERT_TRUE(harness.Frame().RouteCommand(ID_FILE_CLOSE, true));
    ASSERT_TRUE(closing);
    EXPECT_TRUE(closing->IsClosing());
    EXPECT_EQ(harness.Docs().FindDocument(path), nullptr);
    EXPECT_EQ(harness.Frame().ActiveLogWindow(), nullptr);
    AppHarness::Settle();
    EXPECT_TRUE(closing.isNull());
    EXPECT_TRUE(harness.Docs().Documents().empty());
}
