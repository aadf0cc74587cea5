#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "platform/Prompts.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"

namespace {

// Runs `work` on the first top-level widget of type T once the modal loop that is about to
// start has shown it.
template <class T> void WhenShown(std::function<void(T&)> work) {
    QTimer::singleShot(0, [work] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<T*>(widget); found && found->isVisible()) {
                work(*found);
                return;
            }
        }
        ADD_FAILURE() << "no dialog came up";
    });
}

} // namespace

TEST(Prompts, FileFiltersBecomeQtNameFilters) {
    EXPECT_EQ(ToQtFileFilter("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||"),
              "Text Files (*.txt);;All Files (*)");
    // The description's own pattern list is replaced by the real patterns, with or without
    // a space before it.
    EXPECT_EQ(ToQtFileFilter("Text Files (*.txt)|*.txt|All Files(*.*)|*.*||"),
              "Text Files (*.txt);;All Files (*)");
    EXPECT_EQ(ToQtFileFilter("Logs (*.doc)|*.log;*.txt; *.dat|"), "Logs (*.log *.txt *.dat)");
    EXPECT_EQ(ToQtFileFilter("Logs|*.log"), "Logs (*.log)");
    // A description without patterns takes every file; the list ends at an empty description.
    EXPECT_EQ(ToQtFileFilter("Anything"), "Anything (*)");
    EXPECT_EQ(ToQtFileFilter("A|*.a||B|*.b"), "A (*.a)");
    EXPECT_EQ(ToQtFileFilter(""), "");
}

TEST(Prompts, DefaultButtonsAndDefaultExtensions) {
    EXPECT_EQ(DefaultButton(MB_OK), IDOK);
    EXPECT_EQ(DefaultButton(MB_YESNO), IDYES);
    EXPECT_EQ(DefaultButton(MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(DefaultButton(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(DefaultButton(MB_OKCANCEL | MB_DEFBUTTON3), IDOK); // past the last button: the first

    EXPECT_EQ(ApplyDefaultExtension("/tmp/out", "txt"), "/tmp/out.txt");
    EXPECT_EQ(ApplyDefaultExtension("/tmp/out.log", "txt"), "/tmp/out.log");
    EXPECT_EQ(ApplyDefaultExtension("/tmp.d/out", "txt"),
              "/tmp.d/out.txt"); // a dot in a folder is no extension
    EXPECT_EQ(ApplyDefaultExtension("/tmp/out", ""), "/tmp/out");
    EXPECT_EQ(ApplyDefaultExtension("", "txt"), "");
}

TEST(Prompts, FakeRecordsEveryPromptAndAnswersFromItsScript) {
    FakePrompts prompts;

    // Message boxes: caption, text and style as shown; scripted answers in order.
    prompts.Answer(IDNO);
    EXPECT_EQ(AskYesNo("Do you want to open saved file (y/n)?"), IDNO);
    EXPECT_EQ(AfxMessageBox("Copied to Clipboard!"), IDOK); // script used up: the default button
    EXPECT_EQ(AfxMessageBox("Keep?", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    ASSERT_EQ(prompts.Requests().size(), 3u);
    EXPECT_EQ(prompts.Requests()[0].kind, PromptKind::MessageBox);
    EXPECT_EQ(prompts.Requests()[0].caption, "Quorvix");
    EXPECT_EQ(prompts.Requests()[0].style, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(prompts.Requests()[1].style, MB_OK);
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList({"Do you want to open saved file (y/n)?", "Copied to Clipboard!", "Keep?"}));

    // File dialogs.
    prompts.Clear();
    prompts.AnswerFiles({"/logs/a.log", "/logs/b.log"});
    EXPECT_EQ(PromptOpenFiles(nullptr), QStringList({"/logs/a.log", "/logs/b.log"}));
    EXPECT_TRUE(PromptOpenFiles(nullptr, "Logs|*.log").isEmpty()); // default: cancelled
    prompts.AnswerFiles({"/out/list"});
    EXPECT_EQ(PromptSaveFile(nullptr, "Text Files (*.txt)|*.txt||", "list", "txt"), "/out/list.txt");
    prompts.AnswerFiles({"/out/list.log"});
    EXPECT_EQ(PromptSaveFile(nullptr, "Text Files (*.txt)|*.txt||", {}, "txt"), "/out/list.log");
    prompts.Answer(IDCANCEL, {"/out/ignored"});
    EXPECT_EQ(PromptSaveFile(nullptr, "Text Files (*.txt)|*.txt||"), "");
    ASSERT_EQ(prompts.Count(PromptKind::OpenFiles), 2);
    ASSERT_EQ(prompts.Count(PromptKind::SaveFile), 3);
    const PromptRequest& save = prompts.Requests()[2];
    EXPECT_EQ(save.kind, PromptKind::SaveFile);
    EXPECT_EQ(save.filter, "Text Files (*.txt)|*.txt||"); // as the caller wrote it
    EXPECT_EQ(save.defaultPath, "list");
    EXPECT_EQ(save.defaultExt, "txt");
    EXPECT_EQ(prompts.Requests()[1].filter, "Logs|*.log");

    // Opening with the desktop's program.
    prompts.Clear();
    EXPECT_TRUE(OpenWithDefaultProgram("readme.txt"));
    prompts.Answer(IDCANCEL);
    EXPECT_FALSE(OpenWithDefaultProgram("/nowhere/readme.txt"));
    ASSERT_EQ(prompts.Count(PromptKind::OpenExternal), 2);
    EXPECT_EQ(prompts.Requests()[0].defaultPath, "readme.txt");
    EXPECT_EQ(prompts.Pending(), 0u);

    // A default answer of the test's choosing.
    prompts.SetDefaultAnswer(PromptAnswer{IDYES, {}});
    EXPECT_EQ(AfxMessageBox("Sure?", MB_YESNO | MB_DEFBUTTON2), IDYES);
}

TEST(Prompts, FakesNestAndPutBackTheHandlerTheyReplaced) {
    ASSERT_FALSE(HasPromptHandler());
    {
        FakePrompts outer;
        outer.SetDefaultAnswer(PromptAnswer{IDCANCEL, {}});
        {
            FakePrompts inner;
            EXPECT_EQ(AfxMessageBox("inner", MB_OKCANCEL), IDOK);
            EXPECT_EQ(inner.MessageTexts(), QStringList{"inner"});
        }
        EXPECT_EQ(AfxMessageBox("outer", MB_OKCANCEL), IDCANCEL);
        EXPECT_EQ(outer.MessageTexts(), QStringList{"outer"});
    }
    EXPECT_FALSE(HasPromptHandler());

    // A handler of one's own, given back by the next replacement.
    int calls = 0;
    SetPromptHandler([&calls](const PromptRequest&) {
        ++calls;
        return PromptAnswer{IDRETRY, {}};
    });
    EXPECT_EQ(AfxMessageBox("x", MB_RETRYCANCEL), IDRETRY);
    const PromptHandler mine = SetPromptHandler({});
    EXPECT_FALSE(HasPromptHandler());
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine(PromptRequest{}).button, IDRETRY);
    EXPECT_EQ(calls, 2);
}

TEST(Prompts, RealMessageBoxShowsTheButtonsOfItsStyle) {
    ASSERT_FALSE(HasPromptHandler());

    WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), "Quorvix");
        EXPECT_EQ(box.text(), "Open it?");
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        EXPECT_EQ(box.buttons().size(), 2);
        ASSERT_NE(box.button(QMessageBox::No), nullptr);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No)); // MB_DEFBUTTON2
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(AfxMessageBox("Open it?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);

    WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.buttons().size(), 3);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
        box.button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(AskYesNoCancel("Save changes?"), IDCANCEL);

    // Closing a box without a button: OK for a notice, Cancel when it has one.
    WhenShown<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Warning); // a notice without an icon of its own
        box.close();
    });
    EXPECT_EQ(AfxMessageBox("Specified file not found!"), IDOK);
    WhenShown<QMessageBox>([](QMessageBox& box) { box.close(); });
    EXPECT_EQ(AfxMessageBox("Go on?", MB_OKCANCEL | MB_ICONHAND), IDCANCEL);
}

TEST(Prompts, RealSaveDialogOffersTheConvertedFilterAndAddsTheExtension) {
    ASSERT_FALSE(HasPromptHandler());
    TempDir dir;
    const QString target = QString::fromStdString(dir.File("saved"));

    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.nameFilters(), QStringList({"Text Files (*.txt)", "All Files (*)"}));
        EXPECT_EQ(dialog.windowTitle(), "Save As");
        dialog.selectFile(target);
        static_cast<QDialog&>(dialog).accept(); // QFileDialog keeps its override protected
    });
    EXPECT_EQ(PromptSaveFile(nullptr, "Text Files (*.txt)|*.txt|All Files(*.*)|*.*||", {}, "txt"),
              target + ".txt");

    WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(PromptSaveFile(nullptr, "Text Files (*.txt)|*.txt||"), "");
}
