// Dialog templates: a dialog or form described as data (caption, size and controls in
// dialog units, font), turned into Qt widgets.
//
// Dialog units follow the dialog's font: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height, so a template keeps
// its proportions whatever font it ends up with.
//
// Each control widget carries its id, so it can be found again by id: through
// GetDlgItem of its dialog or form, or with FindControl on any widget tree (tests too).
// Controls of the list-box class are made by the CreateControl hook of the dialog or
// form, which classes with a real list override; by default they are placeholders.
//
// Two hosts build from the same data: CDialog (a QDialog: modal through DoModal, or
// modeless through Create) and CFormView (a plain child QWidget, for views laid out on a
// template). Both own their control widgets as Qt children. GUI thread only.
#pragma once

#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Prompts.h"

// Id of controls nobody addresses (labels, group boxes).
inline constexpr int IDC_STATIC = -1;

enum class ControlClass {
    StaticText,
    PushButton,
    DefPushButton,
    Edit,
    CheckBox,
    RadioButton,
    GroupBox,
    ListBox,
    ProgressBar,
    Icon,
};

// Style bits of a control. The list-box bits are carried for the list's own class.
namespace ControlStyle {
inline constexpr uint32_t Visible = 1u << 0;
inline constexpr uint32_t Disabled = 1u << 1;
inline constexpr uint32_t TabStop = 1u << 2;
inline constexpr uint32_t Border = 1u << 3;
inline constexpr uint32_t Group = 1u << 4;
inline constexpr uint32_t HScroll = 1u << 5;
inline constexpr uint32_t VScroll = 1u << 6;
// Check box and radio button: a click changes the state by itself.
inline constexpr uint32_t Auto = 1u << 7;
// Edit.
inline constexpr uint32_t AutoHScroll = 1u << 8;
inline constexpr uint32_t ReadOnly = 1u << 9;
// List box.
inline constexpr uint32_t Notify = 1u << 10;
inline constexpr uint32_t ExtendedSel = 1u << 11;
inline constexpr uint32_t OwnerDrawFixed = 1u << 12;
inline constexpr uint32_t HasStrings = 1u << 13;
inline constexpr uint32_t NoIntegralHeight = 1u << 14;
} // namespace ControlStyle

// Style bits of the dialog or form itself.
namespace DialogStyle {
inline constexpr uint32_t Caption = 1u << 0;
inline constexpr uint32_t SystemMenu = 1u << 1; // a close box
inline constexpr uint32_t ModalFrame = 1u << 2;
inline constexpr uint32_t ThickFrame = 1u << 3; // resizable
inline constexpr uint32_t Child = 1u << 4;      // a form inside another window
} // namespace DialogStyle

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlClass kind = ControlClass::StaticText;
    std::string caption; // UTF-8; "&" marks the mnemonic, "&&" is one "&"
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    uint32_t style = ControlStyle::Visible;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int cx = 0; // size of the client area in dialog units
    int cy = 0;
    std::string fontName = "MS Sans Serif";
    int pointSize = 8;
    uint32_t style = 0;
    std::vector<ControlTemplate> controls;
};

// The template's font: the named family when it is installed, else the application's
// default family, at the template's point size.
QFont DialogFont(const DialogTemplate& tmpl);

class DialogUnits {
public:
    // Base units from a font: the average width of the letters A-Z and a-z, and the height.
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }
    // du * base / 4 (horizontal) and du * base / 8 (vertical), rounded to the nearest pixel.
    int ToPixelsX(int du) const;
    int ToPixelsY(int du) const;
    QRect ToPixels(int x, int y, int cx, int cy) const;

private:
    int m_baseX;
    int m_baseY;
};

// The widget for one control of a standard class, as a child of `parent`, showing its
// caption: a label, push button, line edit, check box, radio button, group box, progress
// bar (0..100), icon, or a framed placeholder for a list box. Placement, state and id are
// the builder's (BuildControls).
QWidget* CreateStandardControl(const ControlTemplate& control, QWidget* parent);

using ControlFactory = std::function<QWidget*(const ControlTemplate& control, QWidget* parent)>;
using CommandHandler = std::function<void(int id)>;

// Builds the controls of `tmpl` on `host` in template order (which is the tab order):
// each made by `create` (a null result skips the control), then placed in pixels, given
// its id, enabled and shown as its style says. A click on a button (push button, check
// box, radio button) calls `onClick` with the button's id. Returns the widgets made,
// paired with their ids.
std::vector<std::pair<int, QPointer<QWidget>>> BuildControls(QWidget& host, const DialogTemplate& tmpl,
                                                             const DialogUnits& units,
                                                             const ControlFactory& create,
                                                             const CommandHandler& onClick);

// The id a control widget was built with; `fallback` for any other widget.
int GetControlId(const QObject* widget, int fallback = 0);
// Gives a widget made in code a control id, as a template's controls have.
void SetControlId(QWidget* widget, int id);
// The first widget with control id `id` under `root` (any depth), or null.
QWidget* FindControl(const QWidget* root, int id);

// The text of a control: a label's, a button's, a group box's title or an edit's content.
QString GetControlText(const QWidget* control);
void SetControlText(QWidget* control, const QString& text);

// The controls of one template on one host, found by id.
class CDialogControls {
public:
    explicit CDialogControls(DialogTemplate tmpl);

    const DialogTemplate& Template() const { return m_template; }
    const QFont& Font() const { return m_font; }
    const DialogUnits& Units() const { return m_units; }
    bool IsBuilt() const { return m_built; }
    // Builds once; later calls do nothing.
    void Build(QWidget& host, const ControlFactory& create, const CommandHandler& onClick);
    QWidget* Item(int id) const;

private:
    DialogTemplate m_template;
    QFont m_font;
    DialogUnits m_units;
    bool m_built = false;
    std::vector<std::pair<int, QPointer<QWidget>>> m_items;
};

// A dialog on a template. Derived dialogs override OnInitDialog, OnOK, OnCancel and
// OnCommand, and CreateControl for controls of their own classes.
//
// Buttons: id 1 (IDOK) calls OnOK, id 2 (IDCANCEL) OnCancel, any other OnCommand(id).
// Escape and the close box call OnCancel; Enter presses the default button. The dialog
// ends with EndDialog(id), and DoModal returns that id.
class CDialog : public QDialog {
    Q_OBJECT

public:
    explicit CDialog(const DialogTemplate& tmpl, QWidget* parent = nullptr);
    ~CDialog() override;

    // Builds the controls (once), runs OnInitDialog and the modal loop, and returns the id
    // the dialog ended with. With a prompt handler installed (Prompts.h) the handler works
    // the dialog instead of the user and no modal loop runs; a dialog the handler leaves
    // open ends with the handler's button, or IDCANCEL when it gives none.
    int DoModal();
    // Builds the controls (once), runs OnInitDialog and shows the dialog without waiting.
    void Create();
    // Builds the controls once; before DoModal or Create they exist only after this.
    void CreateControls();
    // Ends the dialog: the running DoModal returns `result`; a modeless dialog hides.
    void EndDialog(int result);

    // A control of the template, or one a dialog laid out in code gave the id (SetControlId).
    QWidget* GetDlgItem(int id) const {
        QWidget* item = m_controls.Item(id);
        return item ? item : FindControl(this, id);
    }
    template <class T> T* GetDlgItem(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    QString GetDlgItemText(int id) const { return GetControlText(GetDlgItem(id)); }
    void SetDlgItemText(int id, const QString& text) { SetControlText(GetDlgItem(id), text); }
    // Check boxes and radio buttons.
    bool IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, bool checked);

    const DialogTemplate& Template() const { return m_controls.Template(); }
    const DialogUnits& Units() const { return m_controls.Units(); }

    void done(int result) override;
    void accept() override;
    void reject() override;

protected:
    // Runs after the controls exist, before the dialog shows. The default does nothing.
    virtual void OnInitDialog() {}
    // The defaults end the dialog with IDOK and IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();
    // A click on a button other than OK and Cancel. The default does nothing.
    virtual void OnCommand(int id);
    // Makes the widget of one control; the default is CreateStandardControl.
    virtual QWidget* CreateControl(const ControlTemplate& control, QWidget* parent);

private:
    void DispatchCommand(int id);

    CDialogControls m_controls;
    int m_result = 0;
    bool m_ended = false;
};

// A child form on a template: the controls of a view, built the same way as a dialog's.
// A click on any of its buttons calls OnCommand(id).
class CFormView : public QWidget {
    Q_OBJECT

public:
    explicit CFormView(const DialogTemplate& tmpl, QWidget* parent = nullptr);
    ~CFormView() override;

    // Builds the controls once (a constructor cannot reach the CreateControl of a derived class).
    void CreateControls();

    QWidget* GetDlgItem(int id) const { return m_controls.Item(id); }
    template <class T> T* GetDlgItem(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    const DialogTemplate& Template() const { return m_controls.Template(); }
    const DialogUnits& Units() const { return m_controls.Units(); }

protected:
    virtual void OnCommand(int id);
    virtual QWidget* CreateControl(const ControlTemplate& control, QWidget* parent);

private:
    CDialogControls m_controls;
};
