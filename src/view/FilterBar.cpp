#include "view/FilterBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/LogViewCore.h"
#include "platform/Prompts.h"
#include "res/Strings.h"
#include "view/CommandHost.h"

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// One row of the stack: "Hide: text (case, regex)".
QString Describe(const LineFilterSpec& filter) {
    QStringList options;
    if (filter.options.matchCase)
        options << Text(res::kFilterOptionCase);
    if (filter.options.wholeWord)
        options << Text(res::kFilterOptionWord);
    if (filter.options.regex)
        options << Text(res::kFilterOptionRegex);
    return Text(res::kFilterEntry)
        .arg(Text(filter.hide ? res::kFilterHide : res::kFilterShowOnly), QString::fromUtf8(filter.text),
             options.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(options.join(QStringLiteral(", "))));
}

} // namespace

CFilterBar::CFilterBar(CommandHost& host, QWidget* parent)
    : QWidget(parent), m_host(host), m_text(new QLineEdit(this)), m_mode(new QComboBox(this)),
      m_matchCase(new QCheckBox(Text(res::kFilterMatchCaseBox), this)),
      m_wholeWord(new QCheckBox(Text(res::kFilterWholeWordBox), this)),
      m_regex(new QCheckBox(Text(res::kFilterRegexBox), this)),
      m_add(new QPushButton(Text(res::kFilterAdd), this)), m_note(new QLabel(this)),
      m_list(new QListWidget(this)), m_remove(new QPushButton(Text(res::kFilterRemove), this)) {
    setAutoFillBackground(true);
    m_text->setToolTip(Text(res::kFilterTextTip));
    m_mode->addItem(Text(res::kFilterShowOnly));
    m_mode->addItem(Text(res::kFilterHide));
    for (QCheckBox* option : {m_matchCase, m_wholeWord, m_regex})
        option->setToolTip(Text(res::kSearchRuleTip));
    m_list->setToolTip(Text(res::kFilterListTip));
    // A few rows; more scroll.
    m_list->setMaximumHeight(m_list->fontMetrics().height() * 4 + 8);

    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel(Text(res::kFilterBarTitle), this));
    row->addWidget(m_text, 1);
    row->addWidget(m_mode);
    row->addWidget(m_matchCase);
    row->addWidget(m_wholeWord);
    row->addWidget(m_regex);
    row->addWidget(m_add);
    auto* stack = new QHBoxLayout();
    stack->addWidget(m_list, 1);
    auto* side = new QVBoxLayout();
    side->addWidget(m_remove);
    side->addWidget(m_note);
    side->addStretch();
    stack->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(row);
    layout->addLayout(stack);

    connect(m_add, &QPushButton::clicked, this, [this] { AddFilter(); });
    connect(m_text, &QLineEdit::returnPressed, this, [this] { AddFilter(); });
    connect(m_text, &QLineEdit::textEdited, m_note, &QLabel::clear);
    connect(m_remove, &QPushButton::clicked, this, [this] { RemoveFilter(m_list->currentRow()); });
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_showing)
            SetFilterActive(m_list->row(item), item->checkState() == Qt::Checked);
    });
    ShowFilters();
}

void CFilterBar::SetShown(bool shown) {
    setVisible(shown);
    if (shown)
        m_text->setFocus();
    if (m_layoutHandler)
        m_layoutHandler();
}

const std::vector<LineFilterSpec>& CFilterBar::Filters() const {
    return m_host.Core().LineFilters().Filters();
}

bool CFilterBar::AddFilter() {
    const QString text = m_text->text();
    if (text.isEmpty()) {
        // Refused where it was typed: no message box for an empty field.
        m_note->setText(Text(res::kFilterEmpty));
        m_text->setFocus();
        return false;
    }
    LineFilterSpec filter;
    filter.text = text.toStdString();
    filter.options = MatchOptions{m_matchCase->isChecked(), m_wholeWord->isChecked(), m_regex->isChecked()};
    filter.hide = m_mode->currentIndex() == 1;
    std::vector<LineFilterSpec> filters = Filters();
    filters.push_back(filter);
    if (!Apply(std::move(filters))) {
        m_text->setFocus();
        m_text->selectAll();
        return false;
    }
    m_text->clear();
    m_note->clear();
    return true;
}

bool CFilterBar::SetFilterActive(int index, bool active) {
    std::vector<LineFilterSpec> filters = Filters();
    if (index < 0 || static_cast<size_t>(index) >= filters.size())
        return false;
    if (filters[static_cast<size_t>(index)].active == active)
        return true;
    filters[static_cast<size_t>(index)].active = active;
    if (!Apply(std::move(filters))) {
        ShowFilters(); // the box goes back to what the filter is
        return false;
    }
    return true;
}

bool CFilterBar::RemoveFilter(int index) {
    std::vector<LineFilterSpec> filters = Filters();
    if (index < 0 || static_cast<size_t>(index) >= filters.size())
        return false;
    filters.erase(filters.begin() + index);
    return Apply(std::move(filters));
}

bool CFilterBar::Apply(std::vector<LineFilterSpec> filters) {
    size_t failed = 0;
    MatchError error;
    if (!m_host.Core().SetLineFilters(filters, &failed, &error)) {
        const QString reason = QString::fromUtf8(error.message);
        const std::string& pattern = filters[failed].text;
        // The engine counts bytes of the UTF-8; the user counts characters.
        const QString message = error.position < 0
                                    ? Text(res::kBadRegex).arg(reason)
                                    : Text(res::kBadRegexAt)
                                          .arg(reason)
                                          .arg(QString::fromUtf8(pattern.data(), error.position).size() + 1);
        AfxMessageBox(message, MB_OK | MB_ICONWARNING, m_host.DialogParent());
        return false;
    }
    ShowFilters();
    // The same rebuild as a change of the levels shown: bookmarks, selection and the marks
    // pane go, as they refer to the list's lines.
    m_host.StartRefill();
    return true;
}

void CFilterBar::ShowFilters() {
    m_showing = true;
    const int current = m_list->currentRow();
    m_list->clear();
    for (const LineFilterSpec& filter : Filters()) {
        auto* item = new QListWidgetItem(Describe(filter), m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(filter.active ? Qt::Checked : Qt::Unchecked);
    }
    m_list->setCurrentRow(std::min(current, m_list->count() - 1));
    m_remove->setEnabled(m_list->count() > 0);
    m_showing = false;
}
