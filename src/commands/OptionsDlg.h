// COptionsDlg: the Options dialog (template 138). One check box per kind of line: "Raw"
// (the lines of no level) and each of the ten levels, captioned with the level's name.
//
// The dialog reads and writes the level filter of the log view that runs it; that filter
// must outlive the dialog. A level box can be changed only when the log holds lines of
// that level. Modal, on the GUI thread.
#pragma once

#include <array>

#include "core/LevelConfig.h"
#include "core/LogViewCore.h"
#include "platform/DialogTemplate.h"

class COptionsDlg : public CDialog {
    Q_OBJECT

public:
    // The check box of each filter entry: entry 0 is "Raw", entry k the level k-1.
    static const std::array<int, kFilterCount> kCheckIds;

    // `levelsLocked`: the log is still loading, so which levels it holds is not known yet
    // and only "Raw" can be changed. The captions come from `levelTypes`.
    COptionsDlg(LevelFilterTable& filter, bool levelsLocked, QWidget* parent = nullptr,
                const LevelTypeTable& levelTypes = g_levelTypes);

protected:
    void OnInitDialog() override;
    // Writes the state of every box the user could change into the filter's show flags.
    void OnOK() override;

private:
    // Moves the check states between the boxes and m_checked: from the boxes when `save`.
    void UpdateData(bool save);

    LevelFilterTable& m_filter;
    const LevelTypeTable& m_levelTypes;
    bool m_levelsLocked;
    std::array<bool, kFilterCount> m_checked{};
    // Whether the user can change the box: "Raw" always, a level when the loaded log has it.
    std::array<bool, kFilterCount> m_changeable{};
};
