#include <map>
#include <stdexcept>

#include "res/Resources.h"

// The templates of the application and its windows (100, 101, 143): FrameTemplates.cpp.
void AddFrameTemplates(std::map<int, DialogTemplate>& templates);

namespace {

using namespace ControlStyle;

std::map<int, DialogTemplate> MakeTemplates() {
    std::map<int, DialogTemplate> templates;

    // Progress of a load or a rebuild: no close box; its only button is hidden and only
    // the producer "clicks" it when the work is done (Escape does the same).
    templates[IDD_PROGRESS] = DialogTemplate{
        IDD_PROGRESS,
        res::kProgressCaption,
        315,
        54,
        "MS Sans Serif",
        8,
        DialogStyle::Caption | DialogStyle::ModalFrame,
        {
            {IDCANCEL, ControlClass::PushButton, "Cancel", 134, 33, 50, 14, TabStop},
            {IDC_PROGRESS, ControlClass::ProgressBar, "Progress1", 23, 20, 266, 13, Visible | Border},
        }};
    // Options: which kinds of lines a log list shows. The level boxes get their captions
    // from the level table when the dialog opens.
    templates[IDD_OPTIONS] = DialogTemplate{
        IDD_OPTIONS,
        "Options",
        320,
        121,
        "MS Sans Serif",
        8,
        DialogStyle::Caption | DialogStyle::SystemMenu | DialogStyle::ModalFrame,
        {
            {IDOK, ControlClass::DefPushButton, "OK", 262, 7, 50, 14, Visible | TabStop},
            {IDCANCEL, ControlClass::PushButton, "Cancel", 262, 24, 50, 14, Visible | TabStop},
            {IDC_STATIC, ControlClass::GroupBox, "Display Options", 7, 7, 238, 105, Visible},
            {IDC_OPTIONS_LEVEL0, ControlClass::CheckBox, "Level0", 21, 23, 54, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL1, ControlClass::CheckBox, "Level1", 21, 43, 51, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL2, ControlClass::CheckBox, "Level2", 21, 64, 54, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL3, ControlClass::CheckBox, "Level3", 21, 85, 51, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL4, ControlClass::CheckBox, "Level4", 90, 23, 60, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL5, ControlClass::CheckBox, "Level5", 90, 43, 51, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL6, ControlClass::CheckBox, "Level6", 90, 64, 60, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL7, ControlClass::CheckBox, "Level7", 90, 85, 60, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL8, ControlClass::CheckBox, "Level8", 160, 22, 60, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL9, ControlClass::CheckBox, "Level9", 160, 42, 60, 14, Visible | TabStop | Auto},
            {IDC_OPTIONS_LEVEL10, ControlClass::CheckBox, "Level10", 160, 64, 60, 14,
             Visible | TabStop | Auto},
        }};
    AddFrameTemplates(templates);
    return templates;
}

} // namespace

const DialogTemplate& GetDialogTemplate(int id) {
    static const std::map<int, DialogTemplate> templates = MakeTemplates();
    return templates.at(id);
}
