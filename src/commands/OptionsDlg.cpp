#include "commands/OptionsDlg.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

#include "platform/ControlIds.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/Resources.h"
#include "res/Strings.h"

namespace {

// The boxes stand in columns of four: Raw and levels 0-2, levels 3-6, levels 7-9.
constexpr size_t kRowsPerColumn = 4;

} // namespace

const std::array<int, kFilterCount> COptionsDlg::kCheckIds = {
    IDC_OPTIONS_LEVEL0, IDC_OPTIONS_LEVEL1, IDC_OPTIONS_LEVEL2,  IDC_OPTIONS_LEVEL3,
    IDC_OPTIONS_LEVEL4, IDC_OPTIONS_LEVEL5, IDC_OPTIONS_LEVEL6,  IDC_OPTIONS_LEVEL7,
    IDC_OPTIONS_LEVEL8, IDC_OPTIONS_LEVEL9, IDC_OPTIONS_LEVEL10,
};

COptionsDlg::COptionsDlg(LevelFilterTable& filter, bool levelsLocked, QWidget* parent,
                         const LevelTypeTable& levelTypes)
    : QDialog(parent), m_filter(filter) {
    setWindowTitle(QString::fromUtf8(res::kOptionsCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    // Made in tab order: the buttons first, then the boxes.
    auto* ok = new QPushButton(QString::fromUtf8(res::kOkCaption), this);
    auto* cancel = new QPushButton(QString::fromUtf8(res::kCancelCaption), this);
    SetControlId(ok, IDOK);
    SetControlId(cancel, IDCANCEL);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* group = new QGroupBox(QString::fromUtf8(res::kDisplayOptions), this);
    auto* grid = new QGridLayout(group);
    for (size_t k = 0; k < kFilterCount; ++k) {
        QString caption = QString::fromUtf8(res::kRawCaption);
        if (k > 0) {
            const std::string& name = levelTypes[k - 1].name;
            // A caption's "&" marks a mnemonic; a level name shows its own "&" as written.
            caption = name.empty() ? QString::fromUtf8(res::kNoLevelCaption)
                                   : ToDisplayString(name).replace(u'&', QStringLiteral("&&"));
        }
        auto* box = new QCheckBox(caption, group);
        SetControlId(box, kCheckIds[k]);
        box->setChecked(filter[k].show);
        // "Raw" always; a level only when the loaded log has lines of it.
        box->setEnabled(k == 0 || (!levelsLocked && filter[k].present));
        grid->addWidget(box, static_cast<int>(k % kRowsPerColumn), static_cast<int>(k / kRowsPerColumn));
        m_boxes[k] = box;
    }
    grid->setHorizontalSpacing(3 * fontMetrics().averageCharWidth());

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addSpacing(2 * fontMetrics().averageCharWidth());
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void COptionsDlg::accept() {
    // Only the boxes the user could change are written back. A greyed box still holds the
    // state it was opened with, and while the log loads intake may have switched that
    // level on since; writing the old state back would hide the level for good (its box
    // stays greyed once the load ends).
    for (size_t k = 0; k < kFilterCount; ++k) {
        if (m_boxes[k]->isEnabled())
            m_filter[k].show = m_boxes[k]->isChecked();
    }
    QDialog::accept();
}
