#include <map>
#include <stdexcept>

#include "res/Resources.h"

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
    return templates;
}

} // namespace

const DialogTemplate& GetDialogTemplate(int id) {
    static const std::map<int, DialogTemplate> templates = MakeTemplates();
    return templates.at(id);
}
