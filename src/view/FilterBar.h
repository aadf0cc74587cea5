// CFilterBar: the bar above a log list where the user keeps the log's text filters.
//
// A row to make a filter (its text, "Show only" or "Hide", the three search options, Add)
// and the stack of filters made, each with a box that switches it on and off, and Remove.
// Every change goes to the view's core (CLogViewCore::SetLineFilters) and rebuilds the log
// list from the store, as a change of the level filter does (CommandHost::StartRefill). An
// empty text is refused in place, and a regular expression that does not compile is
// reported, naming the fault and its place; the filters then stay as they were.
//
// A child of the log view, shown and hidden from the View menu; it and its filters live as
// long as the view. GUI thread only.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "core/LineFilter.h"

class CommandHost;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class CFilterBar : public QWidget {
    Q_OBJECT

public:
    CFilterBar(CommandHost& host, QWidget* parent);

    // Called after the bar was shown or hidden, for the owner to lay out again.
    void SetLayoutHandler(std::function<void()> handler) { m_layoutHandler = std::move(handler); }
    // Shows the bar with the focus in its text, or hides it (its filters stay on).
    void SetShown(bool shown);

    // The filter the row describes is added on top of the stack. False, with nothing
    // changed, when the text is empty or does not compile.
    bool AddFilter();
    // Switches filter `index` on or off; removes it.
    bool SetFilterActive(int index, bool active);
    bool RemoveFilter(int index);

    const std::vector<LineFilterSpec>& Filters() const;

private:
    // Gives the core `filters` and rebuilds the list; false (and a message) when one of
    // them cannot be compiled.
    bool Apply(std::vector<LineFilterSpec> filters);
    // The stack's rows from the core's filters.
    void ShowFilters();

    CommandHost& m_host;
    QLineEdit* m_text;
    QComboBox* m_mode;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
    QCheckBox* m_regex;
    QPushButton* m_add;
    QLabel* m_note;
    QListWidget* m_list;
    QPushButton* m_remove;
    std::function<void()> m_layoutHandler;
    bool m_showing = false; // the rows are being made: their boxes' changes are no user's
};
