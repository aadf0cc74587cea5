// COptionsDlg: the Options dialog. One check box per kind of line: "Raw" (the lines of no
// level) and each of the ten levels, captioned with the level's name, in a group of three
// columns; OK (the default button) and Cancel beside it. Each control carries its id
// (ControlIds.h), and the tab order is OK, Cancel, then the boxes in filter order.
//
// The dialog reads and writes the level filter of the log view that runs it; that filter
// must outlive the dialog. A level box can be changed only when the log holds lines of
// that level. Modal through RunModal (Prompts.h), on the GUI thread.
#pragma once

#include <QDialog>
#include <array>

#include "core/LevelConfig.h"
#include "core/LogViewCore.h"
#include "platform/Prompts.h"

class QCheckBox;

class COptionsDlg : public QDialog {
    Q_OBJECT

public:
    // The check box of each filter entry: entry 0 is "Raw", entry k the level k-1.
    static const std::array<int, kFilterCount> kCheckIds;

    // `levelsLocked`: the log is still loading, so which levels it holds is not known yet
    // and only "Raw" can be changed. The captions come from `levelTypes`.
    COptionsDlg(LevelFilterTable& filter, bool levelsLocked, QWidget* parent = nullptr,
                const LevelTypeTable& levelTypes = g_levelTypes);

    // Writes the state of every box the user could change into the filter's show flags.
    void accept() override;

private:
    LevelFilterTable& m_filter;
    std::array<QCheckBox*, kFilterCount> m_boxes{};
};
