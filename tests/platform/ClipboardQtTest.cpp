#include <QApplication>
#include <QClipboard>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "platform/Clipboard.h"

TEST(Clipboard, TextGoesOnAsUtf8WhenValidElseAsLatin1) {
    // Valid UTF-8: two- and three-byte characters come back as themselves.
    ASSERT_TRUE(SetClipboardText("caf\xC3\xA9 \xE2\x82\xAC\n"));
    EXPECT_EQ(GetClipboardText(), QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC\n"));
    EXPECT_EQ(GetClipboardText().size(), 7);

    // Not UTF-8: one character a byte.
    ASSERT_TRUE(SetClipboardText("caf\xE9"));
    EXPECT_EQ(GetClipboardText(), QString(QStringLiteral("caf") + QChar(0xE9)));
    ASSERT_TRUE(SetClipboardText("\xC3\x28 x"));
    EXPECT_EQ(GetClipboardText(), QString(QChar(0xC3) + QStringLiteral("( x")));

    // The check runs over long ASCII stretches a word at a time: a bad byte or a
    // character cut short at the very end, or a character across a word's edge, is still
    // seen as it is.
    const std::string ascii = "0123456789abcdefghij";
    ASSERT_TRUE(SetClipboardText(ascii + "\xE2\x82"));
    EXPECT_EQ(GetClipboardText().size(), 22);
    ASSERT_TRUE(SetClipboardText("1234567\xE2\x82\xAC" + ascii));
    EXPECT_EQ(GetClipboardText(), QString::fromUtf8("1234567\xE2\x82\xAC") + QString::fromStdString(ascii));

    // Line feeds stay single line feeds; a new text replaces the old one.
    ASSERT_TRUE(SetClipboardText("a\nb\nc\n"));
    EXPECT_EQ(GetClipboardText(), "a\nb\nc\n");
    ASSERT_TRUE(SetClipboardText(""));
    EXPECT_EQ(GetClipboardText(), "");
}

TEST(Clipboard, OnlyTheGuiThreadWritesIt) {
    ASSERT_TRUE(SetClipboardText("kept"));
    bool written = true;
    QString read = "unset";
    std::thread worker([&] {
        written = SetClipboardText("from a worker");
        read = GetClipboardText();
    });
    worker.join();
    EXPECT_FALSE(written);
    EXPECT_EQ(read, "");
    EXPECT_EQ(GetClipboardText(), "kept");
}
