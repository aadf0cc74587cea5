#include "platform/DialogTemplate.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <cstdint>

namespace {

const char kControlIdProperty[] = "controlId";

// A check box or radio button without the Auto style: a click is reported, but the
// state changes only when the program sets it.
template <class Button> class ManualButton : public Button {
public:
    using Button::Button;

protected:
    void nextCheckState() override {}
};

int MulDivRounded(int value, int numerator, int denominator) {
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

// Qt shows a label's "&" as a mnemonic only when the label has a buddy to focus.
QString WithoutMnemonics(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

} // namespace

QFont DialogFont(const DialogTemplate& tmpl) {
    QFont font = QApplication::font();
    const QString family = QString::fromUtf8(tmpl.fontName);
    if (!family.isEmpty() && QFontDatabase::hasFamily(family))
        font.setFamily(family);
    if (tmpl.pointSize > 0)
        font.setPointSize(tmpl.pointSize);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    m_baseX = std::max(1, (metrics.horizontalAdvance(kLetters) + 26) / 52);
    m_baseY = std::max(1, metrics.height());
}

int DialogUnits::ToPixelsX(int du) const {
    return MulDivRounded(du, m_baseX, 4);
}

int DialogUnits::ToPixelsY(int du) const {
    return MulDivRounded(du, m_baseY, 8);
}

QRect DialogUnits::ToPixels(int x, int y, int cx, int cy) const {
    // Edges are converted, not sizes, so controls that touch in dialog units still touch.
    const int left = ToPixelsX(x);
    const int top = ToPixelsY(y);
    return QRect(left, top, ToPixelsX(x + cx) - left, ToPixelsY(y + cy) - top);
}

QWidget* CreateStandardControl(const ControlTemplate& control, QWidget* parent) {
    const QString caption = QString::fromUtf8(control.caption);
    const bool automatic = (control.style & ControlStyle::Auto) != 0;
    switch (control.kind) {
    case ControlClass::StaticText: {
        auto* label = new QLabel(caption, parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    }
    case ControlClass::PushButton:
    case ControlClass::DefPushButton: {
        auto* button = new QPushButton(caption, parent);
        button->setDefault(control.kind == ControlClass::DefPushButton);
        return button;
    }
    case ControlClass::Edit: {
        auto* edit = new QLineEdit(caption, parent);
        edit->setFrame((control.style & ControlStyle::Border) != 0);
        edit->setReadOnly((control.style & ControlStyle::ReadOnly) != 0);
        return edit;
    }
    case ControlClass::CheckBox:
        return automatic ? new QCheckBox(caption, parent) : new ManualButton<QCheckBox>(caption, parent);
    case ControlClass::RadioButton: {
        QRadioButton* radio =
            automatic ? new QRadioButton(caption, parent) : new ManualButton<QRadioButton>(caption, parent);
        radio->setAutoExclusive(automatic);
        return radio;
    }
    case ControlClass::GroupBox: {
        auto* group = new QGroupBox(caption, parent);
        // A frame drawn around its siblings; it must not take their clicks.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        group->setFocusPolicy(Qt::NoFocus);
        return group;
    }
    case ControlClass::ListBox: {
        auto* placeholder = new QFrame(parent);
        placeholder->setFrameShape((control.style & ControlStyle::Border) ? QFrame::StyledPanel
                                                                          : QFrame::NoFrame);
        placeholder->setFocusPolicy(Qt::StrongFocus);
        return placeholder;
    }
    case ControlClass::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlClass::Icon: {
        auto* label = new QLabel(parent);
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull())
            icon = label->style()->standardIcon(QStyle::SP_MessageBoxInformation);
        label->setPixmap(icon.pixmap(32, 32));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    }
    return nullptr;
}

std::vector<std::pair<int, QPointer<QWidget>>> BuildControls(QWidget& host, const DialogTemplate& tmpl,
                                                             const DialogUnits& units,
                                                             const ControlFactory& create,
                                                             const CommandHandler& onClick) {
    std::vector<std::pair<int, QPointer<QWidget>>> made;
    std::vector<QLabel*> labels;
    for (const ControlTemplate& control : tmpl.controls) {
        QWidget* widget = create(control, &host);
        if (!widget)
            continue;
        const int id = control.id;
        widget->setProperty(kControlIdProperty, id);
        if (widget->objectName().isEmpty() && id != IDC_STATIC)
            widget->setObjectName(QStringLiteral("control%1").arg(id));
        widget->setGeometry(units.ToPixels(control.x, control.y, control.cx, control.cy));
        widget->setEnabled((control.style & ControlStyle::Disabled) == 0);

        const Qt::FocusPolicy policy = widget->focusPolicy();
        if ((control.style & ControlStyle::TabStop) && policy == Qt::ClickFocus)
            widget->setFocusPolicy(Qt::StrongFocus);
        else if (!(control.style & ControlStyle::TabStop) && (policy & Qt::TabFocus))
            widget->setFocusPolicy(Qt::ClickFocus);

        if (!(control.style & ControlStyle::Visible))
            widget->setVisible(false);
        else if (host.isVisible())
            widget->show();

        if (control.kind == ControlClass::GroupBox)
            widget->lower();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QObject::connect(button, &QAbstractButton::clicked, &host, [onClick, id] {
                if (onClick)
                    onClick(id);
            });
        }
        if (control.kind == ControlClass::StaticText) {
            if (auto* label = qobject_cast<QLabel*>(widget))
                labels.push_back(label);
        }
        made.emplace_back(id, widget);
    }

    // A label's mnemonic focuses the control that follows it, as in the template's order.
    for (QLabel* label : labels) {
        if (!label->text().contains(QLatin1Char('&')))
            continue;
        QWidget* next = nullptr;
        for (size_t i = 0; i + 1 < made.size(); ++i) {
            if (made[i].second == label)
                next = made[i + 1].second;
        }
        if (next && next->focusPolicy() != Qt::NoFocus)
            label->setBuddy(next);
        else
            label->setText(WithoutMnemonics(label->text()));
    }
    return made;
}

int GetControlId(const QObject* widget, int fallback) {
    if (!widget)
        return fallback;
    const QVariant id = widget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : fallback;
}

void SetControlId(QWidget* widget, int id) {
    widget->setProperty(kControlIdProperty, id);
}

QWidget* FindControl(const QWidget* root, int id) {
    if (!root)
        return nullptr;
    for (QWidget* child : root->findChildren<QWidget*>()) {
        const QVariant value = child->property(kControlIdProperty);
        if (value.isValid() && value.toInt() == id)
            return child;
    }
    return nullptr;
}

QString GetControlText(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(control))
        return plain->toPlainText();
    if (const auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    return {};
}

void SetControlText(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(label->buddy() ? text : WithoutMnemonics(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setPlainText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
}

CDialogControls::CDialogControls(DialogTemplate tmpl)
    : m_template(std::move(tmpl)), m_font(DialogFont(m_template)), m_units(m_font) {}

void CDialogControls::Build(QWidget& host, const ControlFactory& create, const CommandHandler& onClick) {
    if (m_built)
        return;
    m_built = true;
    m_items = BuildControls(host, m_template, m_units, create, onClick);
}

QWidget* CDialogControls::Item(int id) const {
    for (const auto& [itemId, widget] : m_items) {
        if (itemId == id)
            return widget;
    }
    return nullptr;
}

// CDialog

CDialog::CDialog(const DialogTemplate& tmpl, QWidget* parent) : QDialog(parent), m_controls(tmpl) {
    setWindowTitle(QString::fromUtf8(tmpl.caption));
    setFont(m_controls.Font());
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (tmpl.style & DialogStyle::Caption)
        flags |= Qt::WindowTitleHint;
    if (tmpl.style & DialogStyle::SystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    const QSize size(Units().ToPixelsX(tmpl.cx), Units().ToPixelsY(tmpl.cy));
    if (tmpl.style & DialogStyle::ThickFrame)
        resize(size);
    else
        setFixedSize(size);
}

CDialog::~CDialog() = default;

void CDialog::CreateControls() {
    m_controls.Build(
        *this,
        [this](const ControlTemplate& control, QWidget* parent) { return CreateControl(control, parent); },
        [this](int id) { DispatchCommand(id); });
}

int CDialog::DoModal() {
    CreateControls();
    m_ended = false;
    m_result = 0;
    OnInitDialog();
    if (m_ended)
        return m_result;

    if (HasPromptHandler()) {
        // Shown, not modal: the handler works the dialog from here, inside this call.
        show();
        PromptRequest request;
        request.kind = PromptKind::Dialog;
        request.caption = windowTitle();
        request.parent = parentWidget();
        request.dialog = this;
        const auto answer = AnswerByHandler(request);
        if (!m_ended)
            EndDialog(answer && answer->button != 0 ? answer->button : IDCANCEL);
        return m_result;
    }

    exec();
    // The loop also ends when the application quits; count that as Cancel.
    if (!m_ended)
        EndDialog(IDCANCEL);
    return m_result;
}

void CDialog::Create() {
    CreateControls();
    m_ended = false;
    m_result = 0;
    OnInitDialog();
    if (!m_ended)
        show();
}

void CDialog::EndDialog(int result) {
    done(result);
}

void CDialog::done(int result) {
    m_result = result;
    m_ended = true;
    QDialog::done(result);
}

// Escape and the close box reject the dialog; both go the way of the Cancel button.
void CDialog::accept() {
    OnOK();
}

void CDialog::reject() {
    OnCancel();
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnCommand(int) {}

QWidget* CDialog::CreateControl(const ControlTemplate& control, QWidget* parent) {
    return CreateStandardControl(control, parent);
}

bool CDialog::IsDlgButtonChecked(int id) const {
    const auto* button = GetDlgItem<QAbstractButton>(id);
    return button && button->isChecked();
}

void CDialog::CheckDlgButton(int id, bool checked) {
    if (auto* button = GetDlgItem<QAbstractButton>(id))
        button->setChecked(checked);
}

void CDialog::DispatchCommand(int id) {
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
    else
        OnCommand(id);
}

// CFormView

CFormView::CFormView(const DialogTemplate& tmpl, QWidget* parent) : QWidget(parent), m_controls(tmpl) {
    setFont(m_controls.Font());
    resize(Units().ToPixelsX(tmpl.cx), Units().ToPixelsY(tmpl.cy));
}

CFormView::~CFormView() = default;

void CFormView::CreateControls() {
    m_controls.Build(
        *this,
        [this](const ControlTemplate& control, QWidget* parent) { return CreateControl(control, parent); },
        [this](int id) { OnCommand(id); });
}

void CFormView::OnCommand(int) {}

QWidget* CFormView::CreateControl(const ControlTemplate& control, QWidget* parent) {
    return CreateStandardControl(control, parent);
}
