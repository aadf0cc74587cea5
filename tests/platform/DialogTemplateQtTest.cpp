#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

#include "platform/DialogTemplate.h"
#include "support/FakePrompts.h"

using namespace ControlStyle;

namespace {

constexpr int kEdit = 1011;
constexpr int kHidden = 1017;
constexpr int kCheck = 1016;
constexpr int kManualCheck = 1018;
constexpr int kRadioA = 1030;
constexpr int kRadioB = 1031;
constexpr int kGroup = 1040;
constexpr int kList = 1015;
constexpr int kProgress = 1021;
constexpr int kIcon = 1050;
constexpr int kApply = 1060;

DialogTemplate SampleTemplate() {
    return DialogTemplate{
        130,
        "Sample",
        307,
        120,
        "No Such Font Family",
        8,
        DialogStyle::Caption | DialogStyle::SystemMenu | DialogStyle::ModalFrame,
        {
            {IDC_STATIC, ControlClass::StaticText, "Find &what:", 13, 21, 57, 14, Visible},
            {kEdit, ControlClass::Edit, "start", 79, 17, 155, 16, Visible | Border | TabStop | AutoHScroll},
            {IDOK, ControlClass::DefPushButton, "&Find All", 250, 7, 50, 14, Visible | TabStop},
            {IDCANCEL, ControlClass::PushButton, "Cancel", 250, 24, 50, 14, Visible | TabStop},
            {kHidden, ControlClass::PushButton, "Hidden", 250, 41, 50, 14, TabStop},
            {kApply, ControlClass::PushButton, "Apply", 250, 58, 50, 14, Visible | Disabled},
            {kGroup, ControlClass::GroupBox, "Options", 7, 36, 200, 70, Visible},
            {kCheck, ControlClass::CheckBox, "Bookmark Found", 17, 44, 107, 17, Visible | TabStop | Auto},
            {kManualCheck, ControlClass::CheckBox, "Manual", 17, 60, 107, 12, Visible | TabStop},
            {kRadioA, ControlClass::RadioButton, "A", 130, 44, 30, 12, Visible | Auto | Group},
            {kRadioB, ControlClass::RadioButton, "B", 130, 58, 30, 12, Visible | Auto},
            {kList, ControlClass::ListBox, "", 7, 108, 100, 10, Visible | Border | VScroll | ExtendedSel},
            {kProgress, ControlClass::ProgressBar, "Progress1", 110, 108, 100, 8, Visible | Border},
            {kIcon, ControlClass::Icon, "128", 220, 80, 20, 20, Visible},
        }};
}

// Counts what reaches the handlers and can end itself from OnCommand.
class SampleDialog : public CDialog {
public:
    explicit SampleDialog(const DialogTemplate& tmpl = SampleTemplate()) : CDialog(tmpl) {}

    int inits = 0;
    int oks = 0;
    int cancels = 0;
    std::vector<int> commands;
    int endOnCommand = 0;

protected:
    void OnInitDialog() override {
        ++inits;
        SetDlgItemText(kEdit, "initialised");
    }
    void OnOK() override {
        ++oks;
        CDialog::OnOK();
    }
    void OnCancel() override {
        ++cancels;
        CDialog::OnCancel();
    }
    void OnCommand(int id) override {
        commands.push_back(id);
        if (endOnCommand)
            EndDialog(endOnCommand);
    }
};

QRect Place(const CDialog& dialog, const ControlTemplate& control) {
    return dialog.Units().ToPixels(control.x, control.y, control.cx, control.cy);
}

} // namespace

TEST(DialogUnits, ConvertEdgesByTheFontsBaseUnits) {
    const DialogUnits units(6, 13);
    EXPECT_EQ(units.ToPixelsX(4), 6);
    EXPECT_EQ(units.ToPixelsX(7), 11); // 10.5 rounds up
    EXPECT_EQ(units.ToPixelsY(8), 13);
    EXPECT_EQ(units.ToPixelsY(7), 11); // 11.375
    EXPECT_EQ(units.ToPixelsX(-7), -11);
    // The right edge is converted, not the width, so neighbours still touch.
    EXPECT_EQ(units.ToPixels(7, 7, 50, 14), QRect(11, 11, 75, 23));
    EXPECT_EQ(units.ToPixels(1, 1, 1, 1), QRect(2, 2, 1, 1)); // 1.5 to 3 and 1.625 to 3.25
    EXPECT_EQ(units.ToPixels(1, 0, 1, 1).right() + 1, units.ToPixels(2, 0, 1, 1).left());

    // A font that is not installed gives way to the application's family at the same size.
    DialogTemplate tmpl;
    tmpl.fontName = "No Such Font Family";
    tmpl.pointSize = 8;
    const QFont fallback = DialogFont(tmpl);
    EXPECT_EQ(fallback.family(), QApplication::font().family());
    EXPECT_EQ(fallback.pointSize(), 8);
    const QStringList families = QFontDatabase::families();
    ASSERT_FALSE(families.isEmpty());
    tmpl.fontName = families.front().toStdString();
    EXPECT_EQ(DialogFont(tmpl).family(), families.front());

    // Units follow the font: a bigger font makes a bigger dialog.
    tmpl.pointSize = 16;
    const DialogUnits small((fallback));
    const DialogUnits large(DialogFont(tmpl));
    EXPECT_GT(small.BaseX(), 0);
    EXPECT_GT(large.BaseX(), small.BaseX());
    EXPECT_GT(large.BaseY(), small.BaseY());
}

TEST(DialogTemplate, BuildsEachControlAtItsPlaceWithItsStateAndId) {
    SampleDialog dialog;
    const DialogTemplate& tmpl = dialog.Template();
    EXPECT_EQ(dialog.GetDlgItem(kEdit), nullptr); // not built before it is asked to be
    dialog.CreateControls();
    dialog.CreateControls(); // once only
    EXPECT_EQ(dialog.findChildren<QPushButton*>().size(), 4);

    EXPECT_EQ(dialog.windowTitle(), "Sample");
    EXPECT_EQ(dialog.size(), QSize(dialog.Units().ToPixelsX(307), dialog.Units().ToPixelsY(120)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()); // not resizable
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);

    for (const ControlTemplate& control : tmpl.controls) {
        if (control.id == IDC_STATIC)
            continue;
        SCOPED_TRACE(control.id);
        QWidget* widget = dialog.GetDlgItem(control.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), &dialog);
        EXPECT_EQ(widget->geometry(), Place(dialog, control));
        EXPECT_EQ(GetControlId(widget), control.id);
        EXPECT_EQ(FindControl(&dialog, control.id), widget);
        EXPECT_EQ(widget->isEnabled(), !(control.style & Disabled));
        EXPECT_EQ(widget->isHidden(), !(control.style & Visible));
    }
    EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);

    // Classes and captions; the list box is a placeholder until a dialog makes its own list.
    const struct {
        int id;
        const QMetaObject* type;
        const char* text;
    } expected[] = {
        {kEdit, &QLineEdit::staticMetaObject, "start"},
        {IDOK, &QPushButton::staticMetaObject, "&Find All"},
        {kGroup, &QGroupBox::staticMetaObject, "Options"},
        {kCheck, &QCheckBox::staticMetaObject, "Bookmark Found"},
        {kRadioA, &QRadioButton::staticMetaObject, "A"},
        {kProgress, &QProgressBar::staticMetaObject, ""},
        {kList, &QFrame::staticMetaObject, ""},
    };
    for (const auto& [id, type, text] : expected) {
        EXPECT_EQ(dialog.GetDlgItem(id)->metaObject(), type) << id;
        EXPECT_EQ(dialog.GetDlgItemText(id), text) << id;
    }
    auto* label = dialog.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry(), Place(dialog, tmpl.controls[0]));
    EXPECT_EQ(label->buddy(), dialog.GetDlgItem(kEdit)); // its mnemonic focuses the edit
    EXPECT_TRUE(dialog.GetDlgItem<QPushButton>(IDOK)->isDefault());
    EXPECT_FALSE(dialog.GetDlgItem<QPushButton>(IDCANCEL)->isDefault());
    EXPECT_EQ(dialog.GetDlgItem<QProgressBar>(kProgress)->maximum(), 100);
    auto* icon = qobject_cast<QLabel*>(dialog.GetDlgItem(kIcon));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());

    // Tab stops: only controls with the style are reached by Tab.
    EXPECT_TRUE(dialog.GetDlgItem(kEdit)->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(dialog.GetDlgItem(kApply)->focusPolicy() & Qt::TabFocus);

    // Once shown, a hidden control stays hidden and the others show.
    dialog.show();
    EXPECT_FALSE(dialog.GetDlgItem(kHidden)->isVisible());
    EXPECT_TRUE(dialog.GetDlgItem(kEdit)->isVisible());
    EXPECT_TRUE(dialog.GetDlgItem(kProgress)->isVisible());
    dialog.hide();
}

TEST(DialogTemplate, ButtonsAndKeysEndTheDialogWithTheirIds) {
    FakePrompts prompts;

    {
        SCOPED_TRACE("button 1 is OK; OnInitDialog ran before anyone saw the dialog");
        SampleDialog dialog;
        prompts.AnswerDialog([](CDialog& shown) {
            EXPECT_TRUE(shown.isVisible());
            EXPECT_EQ(shown.GetDlgItemText(kEdit), "initialised");
            shown.GetDlgItem<QPushButton>(IDOK)->click();
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.oks, 1);
        EXPECT_EQ(dialog.inits, 1);
        EXPECT_FALSE(dialog.isVisible());
        ASSERT_EQ(prompts.Count(PromptKind::Dialog), 1);
        EXPECT_EQ(prompts.Requests()[0].caption, "Sample");
        EXPECT_EQ(prompts.Requests()[0].dialog, &dialog);
    }

    {
        SCOPED_TRACE("Escape and the close box are Cancel");
        SampleDialog dialog;
        prompts.AnswerDialog([](CDialog& shown) { QTest::keyClick(&shown, Qt::Key_Escape); }, IDOK);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.cancels, 1);
        prompts.AnswerDialog([](CDialog& shown) { shown.close(); }, IDOK);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.cancels, 2);
        EXPECT_EQ(dialog.inits, 2); // each run initialises again
        EXPECT_EQ(dialog.findChildren<QLineEdit*>().size(), 1);
    }

    {
        SCOPED_TRACE("Enter presses the default button");
        SampleDialog dialog;
        prompts.AnswerDialog([](CDialog& shown) {
            auto* edit = shown.GetDlgItem<QLineEdit>(kEdit);
            edit->setFocus();
            QTest::keyClicks(edit, "error");
            QTest::keyClick(edit, Qt::Key_Return);
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.oks, 1);
        EXPECT_EQ(dialog.GetDlgItemText(kEdit), "initialisederror");
    }

    {
        SCOPED_TRACE("other buttons reach OnCommand; the dialog stays open until ended");
        SampleDialog dialog;
        prompts.AnswerDialog([](CDialog& shown) {
            shown.GetDlgItem<QPushButton>(kHidden)->click(); // hidden, but still a button
            shown.GetDlgItem<QCheckBox>(kCheck)->click();
            shown.GetDlgItem<QPushButton>(kApply)->click(); // disabled: nothing
            EXPECT_TRUE(shown.isVisible());
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL); // the script's answer for a dialog left open
        EXPECT_EQ(dialog.commands, std::vector<int>({kHidden, kCheck}));
        EXPECT_EQ(dialog.cancels, 0);

        dialog.endOnCommand = 77;
        prompts.AnswerDialog([](CDialog& shown) { shown.GetDlgItem<QRadioButton>(kRadioB)->click(); });
        EXPECT_EQ(dialog.DoModal(), 77);
    }

    {
        SCOPED_TRACE("a prompt raised inside the dialog takes the next answer");
        class AskingDialog : public SampleDialog {
        public:
            int answer = 0;

        protected:
            void OnOK() override {
                answer = AfxMessageBox("Could not find search keyword!", MB_YESNO, this);
                EndDialog(IDOK);
            }
        } dialog;
        prompts.Clear();
        prompts.AnswerDialog([](CDialog& shown) { shown.GetDlgItem<QPushButton>(IDOK)->click(); });
        prompts.Answer(IDNO);
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.answer, IDNO);
        ASSERT_EQ(prompts.Requests().size(), 2u);
        EXPECT_EQ(prompts.Requests()[0].kind, PromptKind::Dialog);
        EXPECT_EQ(prompts.Requests()[1].text, "Could not find search keyword!");
        EXPECT_EQ(prompts.Requests()[1].parent, &dialog);
    }
    EXPECT_EQ(prompts.Pending(), 0u);
}

TEST(DialogTemplate, RunsTheRealModalLoopWithoutAHandler) {
    ASSERT_FALSE(HasPromptHandler());
    SampleDialog dialog;
    QTimer::singleShot(0, &dialog, [&dialog] {
        EXPECT_TRUE(dialog.isModal());
        dialog.GetDlgItem<QPushButton>(IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);

    QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.oks, 1);
    EXPECT_EQ(dialog.cancels, 1);
}

TEST(DialogTemplate, ProgressStyleDialogHasNoCloseBoxAndEndsByItsHiddenCancel) {
    const DialogTemplate progress{
        141,
        "Processing (please wait ...)",
        315,
        54,
        "MS Sans Serif",
        8,
        DialogStyle::Caption | DialogStyle::ModalFrame,
        {
            {IDCANCEL, ControlClass::PushButton, "Cancel", 134, 33, 50, 14, TabStop},
            {kProgress, ControlClass::ProgressBar, "Progress1", 23, 20, 266, 13, Visible | Border},
        }};
    CDialog dialog(progress);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.Create(); // modeless: returns at once
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowTitleHint);
    ASSERT_NE(dialog.GetDlgItem<QProgressBar>(kProgress), nullptr);
    EXPECT_FALSE(dialog.GetDlgItem(IDCANCEL)->isVisible());

    dialog.GetDlgItem<QPushButton>(IDCANCEL)->click();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.front().front().toInt(), IDCANCEL);
}

TEST(DialogTemplate, CheckBoxesAndRadioButtonsFollowTheirAutoStyle) {
    SampleDialog dialog;
    dialog.CreateControls();

    dialog.GetDlgItem<QCheckBox>(kCheck)->click();
    EXPECT_TRUE(dialog.IsDlgButtonChecked(kCheck));
    // Without Auto a click is reported but the program decides the state.
    dialog.GetDlgItem<QCheckBox>(kManualCheck)->click();
    EXPECT_FALSE(dialog.IsDlgButtonChecked(kManualCheck));
    dialog.CheckDlgButton(kManualCheck, true);
    EXPECT_TRUE(dialog.IsDlgButtonChecked(kManualCheck));
    EXPECT_EQ(dialog.commands, std::vector<int>({kCheck, kManualCheck}));

    // Auto radio buttons of one dialog exclude each other.
    dialog.GetDlgItem<QRadioButton>(kRadioA)->click();
    dialog.GetDlgItem<QRadioButton>(kRadioB)->click();
    EXPECT_FALSE(dialog.IsDlgButtonChecked(kRadioA));
    EXPECT_TRUE(dialog.IsDlgButtonChecked(kRadioB));
    EXPECT_FALSE(dialog.IsDlgButtonChecked(4242));
}

TEST(DialogTemplate, FormsAndDialogsMakeTheirOwnControlsThroughTheHook) {
    // A form on the same data, with a list of its own in place of the placeholder.
    class ListForm : public CFormView {
    public:
        using CFormView::CFormView;
        std::vector<int> commands;

    protected:
        QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) override {
            if (control.kind == ControlClass::ListBox) {
                EXPECT_TRUE(control.style & ExtendedSel);
                return new QListWidget(parent);
            }
            return CFormView::CreateControl(control, parent);
        }
        void OnCommand(int id) override { commands.push_back(id); }
    };

    QWidget frame;
    ListForm form(SampleTemplate(), &frame);
    form.CreateControls();
    EXPECT_FALSE(form.isWindow());
    EXPECT_EQ(form.size(), QSize(form.Units().ToPixelsX(307), form.Units().ToPixelsY(120)));

    auto* list = form.GetDlgItem<QListWidget>(kList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->geometry(), form.Units().ToPixels(7, 108, 100, 10));
    EXPECT_EQ(GetControlId(list), kList);
    // Found by id from any widget above it.
    EXPECT_EQ(FindControl(&frame, kList), list);
    EXPECT_EQ(FindControl(&frame, kEdit), form.GetDlgItem(kEdit));
    EXPECT_EQ(GetControlId(&frame, -5), -5);

    // On a form OK and Cancel are buttons like any other.
    form.GetDlgItem<QPushButton>(IDOK)->click();
    form.GetDlgItem<QPushButton>(IDCANCEL)->click();
    form.GetDlgItem<QCheckBox>(kCheck)->click();
    EXPECT_EQ(form.commands, std::vector<int>({IDOK, IDCANCEL, kCheck}));

    // Controls built after the form is shown show at once.
    class LateForm : public CFormView {
    public:
        using CFormView::CFormView;
    };
    LateForm late(SampleTemplate(), &frame);
    frame.show();
    late.show();
    late.CreateControls();
    EXPECT_TRUE(late.GetDlgItem(kEdit)->isVisible());
    EXPECT_FALSE(late.GetDlgItem(kHidden)->isVisible());
    frame.hide();
}
