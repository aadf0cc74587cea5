#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <gtest/gtest.h>

#include "platform/Settings.h"
#include "support/TempDir.h"

namespace {

// Every test keeps its settings in a directory of its own, never in the user's.
class SettingsQtTest : public testing::Test {
protected:
    SettingsQtTest() {
        const QString path = QString::fromStdString(m_dir.Path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }

    static QStringList Entries(const CRecentFileList& list) {
        QStringList entries;
        for (int i = 0; i < list.GetSize(); ++i)
            entries << list[i];
        return entries;
    }

    TempDir m_dir;
};

} // namespace

TEST_F(SettingsQtTest, RecentFileListKeepsTheNewestFourFirst) {
    CRecentFileList list(4);
    EXPECT_EQ(list.GetSize(), 4);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(Entries(list), QStringList({"", "", "", ""}));

    // Past four the oldest goes.
    for (const char* path : {"/logs/a.log", "/logs/b.log", "/logs/c.log", "/logs/d.log", "/logs/e.log"})
        list.Add(path);
    EXPECT_EQ(Entries(list), QStringList({"/logs/e.log", "/logs/d.log", "/logs/c.log", "/logs/b.log"}));

    // Adding an entry again moves it to the front instead of repeating it.
    list.Add("/logs/c.log");
    EXPECT_EQ(Entries(list), QStringList({"/logs/c.log", "/logs/e.log", "/logs/d.log", "/logs/b.log"}));
    // Paths differing in case are different files here.
    list.Add("/logs/C.log");
    EXPECT_EQ(Entries(list), QStringList({"/logs/C.log", "/logs/c.log", "/logs/e.log", "/logs/d.log"}));

    // Remove closes the gap; bad indices change nothing.
    list.Remove(1);
    list.Remove(7);
    list.Remove(-1);
    EXPECT_EQ(Entries(list), QStringList({"/logs/C.log", "/logs/e.log", "/logs/d.log", ""}));
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.At(3), "");
    EXPECT_EQ(list.At(-1), "");
    EXPECT_EQ(list.At(99), "");

    // Entries are absolute, clean paths; an empty path is no entry.
    list.Add("");
    EXPECT_EQ(list.GetCount(), 3);
    list.Add("relative/../x.log");
    EXPECT_EQ(list[0], QDir::current().absoluteFilePath("x.log"));
}

TEST_F(SettingsQtTest, RecentFileListPersistsInTheSettingsStore) {
    {
        CRecentFileList list(4);
        for (const char* path : {"/logs/one.log", "/logs/two.log", "/logs/three.log", "/logs/four.log"})
            list.Add(path);
        ASSERT_TRUE(list.WriteList());
    }
    // The store belongs to Vostrane/Quorvix, under the redirected folder.
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(m_dir.File("Vostrane/Quorvix.conf"))));

    CRecentFileList fresh(4);
    fresh.ReadList();
    EXPECT_EQ(Entries(fresh),
              QStringList({"/logs/four.log", "/logs/three.log", "/logs/two.log", "/logs/one.log"}));

    // A shorter list written later leaves no stale keys behind.
    fresh.Remove(0);
    fresh.Remove(0);
    ASSERT_TRUE(fresh.WriteList());
    {
        const auto settings = OpenSettings();
        settings->beginGroup("Recent File List");
        EXPECT_EQ(settings->childKeys(), QStringList({"File1", "File2"}));
        EXPECT_EQ(settings->value("File1").toString(), "/logs/two.log");
    }
    CRecentFileList again(4);
    again.ReadList();
    EXPECT_EQ(Entries(again), QStringList({"/logs/two.log", "/logs/one.log", "", ""}));

    // Reading skips empty entries and stops at the list's size.
    {
        const auto settings = OpenSettings();
        settings->remove("Recent File List");
        settings->setValue("Recent File List/File1", "");
        settings->setValue("Recent File List/File2", "/logs/b.log");
        settings->setValue("Recent File List/File4", "/logs/d.log");
        settings->setValue("Recent File List/File5", "/logs/e.log");
    }
    CRecentFileList patchy(4);
    patchy.Add("/logs/replaced.log");
    patchy.ReadList();
    EXPECT_EQ(Entries(patchy), QStringList({"/logs/b.log", "/logs/d.log", "", ""}));
    CRecentFileList small(2);
    small.ReadList();
    EXPECT_EQ(Entries(small), QStringList({"/logs/b.log", ""}));
}
