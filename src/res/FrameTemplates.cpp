// Dialog templates of the application and its windows: the About box (100), the log
// view's form (101) and the marks view's form (143).
#include <map>

#include "res/FrameResources.h"
#include "res/Resources.h"
#include "res/Strings.h"

using namespace ControlStyle;

void AddFrameTemplates(std::map<int, DialogTemplate>& templates) {
    templates[IDD_ABOUTBOX] = DialogTemplate{
        IDD_ABOUTBOX,
        res::kAboutCaption,
        235,
        55,
        "MS Sans Serif",
        8,
        DialogStyle::Caption | DialogStyle::SystemMenu | DialogStyle::ModalFrame,
        {
            {IDC_STATIC, ControlClass::Icon, "", 11, 17, 20, 20, Visible},
            {IDC_STATIC, ControlClass::StaticText, res::kAboutVersion, 40, 10, 119, 8, Visible},
            {IDC_STATIC, ControlClass::StaticText, res::kAboutSecondLine, 40, 25, 119, 8, Visible},
            {IDOK, ControlClass::DefPushButton, "OK", 178, 7, 50, 14, Visible | TabStop | Group},
        }};

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

    templates[IDD_MARKS_FORM] = DialogTemplate{
        IDD_MARKS_FORM,
        "",
        492,
        228,
        "MS Sans Serif",
        8,
        DialogStyle::Child,
        {
            {IDC_MARKS_LIST, ControlClass::ListBox, "", 7, 57, 478, 164,
             Visible | Border | VScroll | TabStop | Notify | NoIntegralHeight},
            {IDC_MARKS_REFRESH, ControlClass::PushButton, "Refresh Bookmarks", 7, 7, 78, 16,
             Visible | TabStop},
            {IDC_MARKS_COPY, ControlClass::PushButton, "Copy Bookmarks", 180, 7, 78, 16, Visible | TabStop},
            {IDC_MARKS_REMOVE, ControlClass::PushButton, "Remove Bookmarks", 93, 7, 78, 16,
             Visible | TabStop},
            {IDC_MARKS_INSERT_BREAK, ControlClass::PushButton, "Insert Line Break", 7, 31, 78, 16,
             Visible | TabStop},
            {IDC_MARKS_DELETE_BREAK, ControlClass::PushButton, "Delete Line Break", 93, 31, 78, 16,
             Visible | TabStop},
        }};
}
