#include <map>
#include <stdexcept>

#include "res/Resources.h"

// The template of the log view's form (101): FrameTemplates.cpp.
void AddFrameTemplates(std::map<int, DialogTemplate>& templates);

namespace {

using namespace ControlStyle;

std::map<int, DialogTemplate> MakeTemplates() {
    std::map<int, DialogTemplate> templates;

    // Find: the text to look for and whether the lines found are bookmarked too. The edit
    // comes first so that it has the focus when the dialog opens.
    templates[IDD_FIND] = DialogTemplate{
        IDD_FIND,
        "Find",
        307,
        68,
        "MS Sans Serif",
        8,
        DialogStyle::Caption | DialogStyle::SystemMenu | DialogStyle::ModalFrame,
        {
            {IDC_STATIC, ControlClass::StaticText, "Find what:", 13, 21, 57, 14, Visible},
            {IDC_FIND_WHAT, ControlClass::Edit, "", 79, 17, 155, 16,
             Visible | Border | TabStop | AutoHScroll},
            {IDOK, ControlClass::DefPushButton, "&Find All", 250, 7, 50, 14, Visible | TabStop},
            {IDCANCEL, ControlClass::PushButton, "Cancel", 250, 24, 50, 14, Visible | TabStop},
            {IDC_BOOKMARK_FOUND, ControlClass::CheckBox, "Bookmark Found", 17, 44, 107, 17,
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
