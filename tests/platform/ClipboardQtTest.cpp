#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "platform/Clipboard.h"

TEST(Clipboard, EachLineGoesOnAsUtf8WhenValidElseAsLatin1) {
    // Valid UTF-8: two- and three-byte characters come back as themselves.
    ASSERT_TRUE(SetClipboardText("caf\xC3\xA9 \xE2\x82\xAC\n"));
    EXPECT_EQ(GetClipboardText(), QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC\n"));
    EXPECT_EQ(GetClipboardText().size(), 7);

    // Not UTF-8: one character a byte.
    ASSERT_TRUE(SetClipboardText("caf\xE9"));
    EXPECT_EQ(GetClipboardText(), QString(QStringLiteral("caf") + QChar(0xE9)));
    ASSERT_TRUE(SetClipboardText("\xC3\x28 x"));
    EXPECT_EQ(GetClipboardText(), QString(QChar(0xC3) + QStringLiteral("( x")));

    // Each line by itself: a bad line does not make its valid neighbours Latin-1 (which
    // would encode them twice), whichever comes first, the last line with or without its
    // line feed.
    ASSERT_TRUE(SetClipboardText("caf\xC3\xA9 error\ncaf\xE9 latin\n\xE2\x82\xAC"));
    EXPECT_EQ(GetClipboardText(), QString::fromUtf8("caf\xC3\xA9 error\ncaf\xC3\xA9 latin\n\xE2\x82\xAC"));
    ASSERT_TRUE(SetClipboardText("\xFF\n\xC3\xA9\n"));
    EXPECT_EQ(GetClipboardText(), QString::fromUtf8("\xC3\xBF\n\xC3\xA9\n"));

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

TEST(Clipboard, PlainTextUnderBothNamesInOneCopy) {
    ASSERT_TRUE(SetClipboardText("caf\xC3\xA9\n"));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->formats().contains("text/plain"));
    EXPECT_TRUE(data->formats().contains("text/plain;charset=utf-8"));
    const QByteArray plain = data->data("text/plain");
    const QByteArray utf8 = data->data("text/plain;charset=utf-8");
    EXPECT_EQ(plain, QByteArray("caf\xC3\xA9\n"));
    EXPECT_EQ(plain.constData(), utf8.constData()); // the same bytes, not a copy
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
