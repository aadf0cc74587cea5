// A stand-in log view for command tests: a real log list, marks list and line editor in a
// plain window, the log view core over the log list, and a record of what the commands
// asked of the view's surroundings (status texts, modified flag, documents opened,
// rebuilds, wait cursors).
#pragma once

#include <QLineEdit>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

#include "core/LevelConfig.h"
#include "core/LogViewCore.h"
#include "platform/ListBox.h"
#include "view/CommandHost.h"
#include "view/LogListBox.h"

class FakeCommandHost : public CommandHost {
public:
    explicit FakeCommandHost(const LevelSlotTable& levelSlots = g_levelSlots);
    ~FakeCommandHost() override;

    // Feeds `lines` through intake as a reader would and, unless told otherwise, ends the load.
    void Load(const std::vector<std::string>& lines, bool done = true);
    // The texts of the log list and the marks list, in order.
    std::vector<std::string> LogTexts() const;
    std::vector<std::string> MarkTexts() const;

    CLogViewCore& Core() override { return m_core; }
    CLogListBox& LogList() override { return *m_logList; }
    CListBox* MarksList() override { return m_marks; }
    void RefreshMarks() override;
    QWidget* DialogParent() override { return &m_window; }
    QLineEdit* LineEditor() override { return m_editor; }
    // Empties what a rebuild empties, then runs the whole rebuild at once.
    void StartRefill() override;
    // What StartRefill empties first: the log list, the marks list, the bookmarks, an edit.
    void ResetForRebuild();
    bool IsLoading() const override { return loading; }
    bool IsListIncomplete() const override { return loading; }
    QString SourcePath() const override { return sourcePath; }
    std::optional<FileState> SourceState() const override { return sourceState; }
    void OnListSaved(const QString& path) override { savedPaths.push_back(path); }
    void SetFollow(bool value) override { following = value; }
    bool IsFollowing() const override { return following; }
    void SetStatusText(const QString& text) override { statusTexts.push_back(text); }
    bool IsModified() const override { return modified; }
    void SetModifiedFlag(bool value) override { modified = value; }
    void OpenSavedFile(const QString& path, bool newWindow) override {
        if (newWindow)
            openedDocuments.push_back(path);
    }
    void BeginWaitCursor() override {
        ++waitCursors;
        ++waitCursorsShown;
    }
    void EndWaitCursor() override { --waitCursors; }

    QWidget& Window() { return m_window; }

    bool loading = false;
    bool modified = false;
    int refills = 0;
    int waitCursors = 0;      // up now
    int waitCursorsShown = 0; // ever
    QStringList statusTexts;
    QStringList openedDocuments;
    QString sourcePath;
    std::optional<FileState> sourceState;
    QStringList savedPaths;
    bool following = false;

private:
    // The core before the window: the list widgets observe its model until the window
    // deletes them.
    CLogViewCore m_core;
    QWidget m_window;
    CLogListBox* m_logList;
    CListBox* m_marks;
    QLineEdit* m_editor;
};
