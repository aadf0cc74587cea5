#include "commands/OptionsDlg.h"

#include "platform/QtText.h"
#include "res/Resources.h"

const std::array<int, kFilterCount> COptionsDlg::kCheckIds = {
    IDC_OPTIONS_LEVEL0, IDC_OPTIONS_LEVEL1, IDC_OPTIONS_LEVEL2,  IDC_OPTIONS_LEVEL3,
    IDC_OPTIONS_LEVEL4, IDC_OPTIONS_LEVEL5, IDC_OPTIONS_LEVEL6,  IDC_OPTIONS_LEVEL7,
    IDC_OPTIONS_LEVEL8, IDC_OPTIONS_LEVEL9, IDC_OPTIONS_LEVEL10,
};

COptionsDlg::COptionsDlg(LevelFilterTable& filter, bool levelsLocked, QWidget* parent,
                         const LevelTypeTable& levelTypes)
    : CDialog(GetDialogTemplate(IDD_OPTIONS), parent), m_filter(filter), m_levelTypes(levelTypes),
      m_levelsLocked(levelsLocked) {
    m_checked[0] = true;
}

void COptionsDlg::OnInitDialog() {
    SetDlgItemText(kCheckIds[0], QString::fromUtf8(res::kRawCaption));
    for (size_t k = 1; k < kFilterCount; ++k) {
        const std::string& name = m_levelTypes[k - 1].name;
        // A caption's "&" marks a mnemonic; a level name shows its own "&" as written.
        SetDlgItemText(kCheckIds[k], name.empty()
                                         ? QString::fromUtf8(res::kNoLevelCaption)
                                         : ToDisplayString(name).replace(u'&', QStringLiteral("&&")));
    }
    for (size_t k = 0; k < kFilterCount; ++k)
        m_checked[k] = m_filter[k].show;
    m_changeable[0] = true;
    for (size_t k = 1; k < kFilterCount; ++k)
        m_changeable[k] = !m_levelsLocked && m_filter[k].present;
    for (size_t k = 0; k < kFilterCount; ++k)
        GetDlgItem(kCheckIds[k])->setEnabled(m_changeable[k]);
    UpdateData(false);
}

void COptionsDlg::OnOK() {
    UpdateData(true);
    // Only the boxes the user could change are written back. A greyed box still holds the
    // state it was opened with, and while the log loads intake may have switched that
    // level on since; writing the old state back would hide the level for good (its box
    // stays greyed once the load ends).
    for (size_t k = 0; k < kFilterCount; ++k) {
        if (m_changeable[k])
            m_filter[k].show = m_checked[k];
    }
    CDialog::OnOK();
}

void COptionsDlg::UpdateData(bool save) {
    for (size_t k = 0; k < kFilterCount; ++k) {
        if (save)
            m_checked[k] = IsDlgButtonChecked(kCheckIds[k]);
        else
            CheckDlgButton(kCheckIds[k], m_checked[k]);
    }
}
