// The dialog template of the log view's form (101).
#include <map>

#include "res/FrameResources.h"
#include "res/Resources.h"

using namespace ControlStyle;

void AddFrameTemplates(std::map<int, DialogTemplate>& templates) {
    // The log list fills the form. The form's own marks list and its three buttons at the
    // bottom would be hidden by every layout (the marks view does their work), so they are
    // not part of it.
    templates[IDD_QUORVIX_FORM] =
        DialogTemplate{IDD_QUORVIX_FORM,
                       "",
                       817,
                       445,
                       "MS Sans Serif",
                       8,
                       DialogStyle::Child,
                       {
                           {IDC_LOG_LIST, ControlClass::ListBox, "", 0, 0, 817, 334,
                            Visible | Border | VScroll | HScroll | TabStop | Notify | OwnerDrawFixed |
                                HasStrings | NoIntegralHeight | ExtendedSel},
                           {IDC_LINE_EDITOR, ControlClass::Edit, "", 103, 399, 41, 12,
                            Visible | Disabled | Border | TabStop | AutoHScroll},
                       }};
}
