// Copy and Copy Bookmarks as other programs on a real X server see them: the clipboard is
// read back by xclip (what terminals and editors ask for, and each target by name) and by
// a second Qt program, byte for byte, while this program serves the selection.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "frames/MarksView.h"
#include "platform/Clipboard.h"
#include "platform/ControlIds.h"
#include "res/FrameResources.h"
#include "support/AppHarness.h"
#include "view/LogListBox.h"

namespace {

std::string Bytes(const QByteArray& bytes) {
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// What `program` writes on standard output. This process owns the selection the program
// asks for and must answer it meanwhile, so the event loop runs until the program ends.
std::string Output(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kWaitMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not end";
        return {};
    }
    if (process.error() != QProcess::UnknownError || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString()
                      << " failed: " << process.errorString().toStdString() << " "
                      << Bytes(process.readAllStandardError());
    }
    return Bytes(process.readAllStandardOutput());
}

std::string Xclip(const QStringList& args = {}) {
    return Output(QStringLiteral("xclip"), QStringList{"-o", "-selection", "clipboard"} + args);
}

// Every way of pasting gets `utf8`: xclip without a target (as terminals ask), each plain
// text target by name, this program and a second Qt program. STRING and TEXT are Latin-1 by
// definition: the same text, a character past Latin-1 as "?".
void ExpectEveryPasteGets(const std::string& utf8) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(Xclip(), utf8);
    for (const char* target : {"UTF8_STRING", "text/plain", "text/plain;charset=utf-8"})
        EXPECT_EQ(Xclip({"-t", target}), utf8) << target;
    const std::string latin1 =
        Bytes(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toLatin1());
    for (const char* target : {"STRING", "TEXT"})
        EXPECT_EQ(Xclip({"-t", target}), latin1) << target;
    const QStringList targets = QString::fromLatin1(Xclip({"-t", "TARGETS"})).split('\n');
    for (const char* target : {"UTF8_STRING", "STRING", "TEXT", "text/plain", "text/plain;charset=utf-8"})
        EXPECT_TRUE(targets.contains(target)) << target;
    EXPECT_EQ(Bytes(QGuiApplication::clipboard()->text().toUtf8()), utf8);
    EXPECT_EQ(Output(QStringLiteral(PASTE_PROBE_EXE), {}), utf8);
}

struct Sample {
    const char* name;
    std::string log;      // the file, one line a line
    std::string expected; // the clipboard's text
};

const std::vector<Sample>& Samples() {
    static const std::vector<Sample> samples = {
        {"ascii", "first line\n  ERROR second  \n", "first line\n  ERROR second  \n"},
        {"utf8", "caf\xC3\xA9 error\nna\xC3\xAFve \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC\n",
         "caf\xC3\xA9 error\nna\xC3\xAFve \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC\n"},
        // Lines that are not UTF-8 are Latin-1, one character a byte; the valid lines
        // between them stay as they are.
        {"mixed", "plain WARN\ncaf\xC3\xA9 error\ncaf\xE9 latin\n\xFF bytes \x80\n\xE2\x82\xAC\n",
         "plain WARN\ncaf\xC3\xA9 error\ncaf\xC3\xA9 latin\n\xC3\xBF bytes \xC2\x80\n\xE2\x82\xAC\n"},
    };
    return samples;
}

} // namespace

TEST(ClipboardX11, CopyAndCopyBookmarksPasteTheSameTextEverywhere) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CMainFrame& frame = harness.Frame();
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(sample.name);
        CSplitterFrame* window =
            harness.OpenAndLoad(harness.Write(std::string(sample.name) + ".log", sample.log));
        ASSERT_NE(window, nullptr);
        CQuorvixView& log = *window->LogView();
        DisplayList& lines = log.LogList().Model();
        ASSERT_GT(lines.GetCount(), 0);

        // Copy, from the Edit menu's command, of every line.
        ASSERT_TRUE(SetClipboardText("stale"));
        lines.SelItemRange(true, 0, lines.GetCount() - 1);
        ASSERT_TRUE(frame.RouteCommand(ID_EDIT_COPY, true));
        ExpectEveryPasteGets(sample.expected);

        // Copy Bookmarks, from the marks view's button, of every line bookmarked.
        ASSERT_TRUE(SetClipboardText("stale"));
        for (int i = 0; i < lines.GetCount(); ++i)
            log.Core().m_bookmarks.Add(i);
        window->MarksView()->OnRefreshBookmarks();
        auto* copyBookmarks = qobject_cast<QPushButton*>(FindControl(window->MarksView(), IDC_MARKS_COPY));
        ASSERT_NE(copyBookmarks, nullptr);
        copyBookmarks->click();
        ExpectEveryPasteGets(sample.expected);
    }
    EXPECT_EQ(harness.prompts.MessageTexts().count("Copied to Clipboard!"), 3);
    EXPECT_EQ(harness.prompts.MessageTexts().count("Copied to Clipboard!!"), 3);
}

TEST(ClipboardX11, ACopyOfMegabytesArrivesWhole) {
    // More than one X request holds, so the text goes over in increments while the event
    // loop runs; lines that are not UTF-8 now and then, in every part of the copy.
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    std::string log;
    std::string expected;
    for (int i = 0; i < 200000; ++i) {
        const std::string start = "line " + std::to_string(i) + " caf";
        if (i % 997 == 5) {
            // Not UTF-8 for its last byte: every byte of it is a character of its own.
            log += start + "\xC3\xA9 some padding text \xE9\n";
            expected += start + "\xC3\x83\xC2\xA9 some padding text \xC3\xA9\n";
        } else {
            log += start + "\xC3\xA9 some padding text\n";
            expected += start + "\xC3\xA9 some padding text\n";
        }
    }
    CSplitterFrame* window = harness.OpenAndLoad(harness.Write("big.log", log));
    ASSERT_NE(window, nullptr);
    DisplayList& lines = window->LogView()->LogList().Model();
    lines.SelItemRange(true, 0, lines.GetCount() - 1);
    ASSERT_TRUE(harness.Frame().RouteCommand(ID_EDIT_COPY, true));
    const std::string pasted = Xclip();
    EXPECT_EQ(pasted.size(), expected.size());
    EXPECT_TRUE(pasted == expected); // not EXPECT_EQ: megabytes in a failure
}
