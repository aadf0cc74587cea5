#include "platform/Prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <array>
#include <utility>

#include "platform/QtText.h"
#include "platform/Settings.h"

namespace {

PromptHandler& InstalledHandler() {
    static PromptHandler handler;
    return handler;
}

struct ButtonSet {
    std::array<int, 3> ids;
    size_t count;
    // Unused places hold 0, which is no button.
    bool Has(int id) const { return id != 0 && std::find(ids.begin(), ids.end(), id) != ids.end(); }
};

ButtonSet ButtonsOf(uint32_t style) {
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{IDOK, IDCANCEL, 0}, 2};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, IDRETRY, IDIGNORE}, 3};
    case MB_YESNOCANCEL:
        return {{IDYES, IDNO, IDCANCEL}, 3};
    case MB_YESNO:
        return {{IDYES, IDNO, 0}, 2};
    case MB_RETRYCANCEL:
        return {{IDRETRY, IDCANCEL, 0}, 2};
    default:
        return {{IDOK, 0, 0}, 1};
    }
}

QMessageBox::StandardButton ToStandardButton(int id) {
    switch (id) {
    case IDOK:
        return QMessageBox::Ok;
    case IDCANCEL:
        return QMessageBox::Cancel;
    case IDABORT:
        return QMessageBox::Abort;
    case IDRETRY:
        return QMessageBox::Retry;
    case IDIGNORE:
        return QMessageBox::Ignore;
    case IDYES:
        return QMessageBox::Yes;
    case IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

QMessageBox::Icon ToIcon(uint32_t style) {
    uint32_t icon = style & MB_ICONMASK;
    // A box that names no icon still gets one: a warning sign for a notice, a question
    // mark for a question, as users of the program are used to.
    if (icon == 0) {
        const uint32_t type = style & MB_TYPEMASK;
        icon = (type == MB_YESNO || type == MB_YESNOCANCEL) ? MB_ICONQUESTION : MB_ICONEXCLAMATION;
    }
    switch (icon) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::Warning;
    }
}

int RunMessageBox(const QString& text, uint32_t style, QWidget* parent) {
    QMessageBox box(ToIcon(style), AppCaption(), text, QMessageBox::NoButton,
                    parent ? parent : QApplication::activeWindow());
    const ButtonSet buttons = ButtonsOf(style);
    const int defaultId = DefaultButton(style);
    std::array<QAbstractButton*, 3> made{};
    for (size_t i = 0; i < buttons.count; ++i) {
        made[i] = box.addButton(ToStandardButton(buttons.ids[i]));
        if (buttons.ids[i] == defaultId)
            box.setDefaultButton(qobject_cast<QPushButton*>(made[i]));
    }
    box.exec();
    for (size_t i = 0; i < buttons.count; ++i) {
        if (box.clickedButton() == made[i])
            return buttons.ids[i];
    }
    // Closed without one of its buttons (the window's close box).
    if (buttons.Has(IDCANCEL))
        return IDCANCEL;
    if (buttons.Has(IDNO))
        return IDNO;
    return buttons.ids[0];
}

QString StripTrailingPatternList(QString description) {
    description = description.trimmed();
    if (description.endsWith(QLatin1Char(')'))) {
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            description = description.left(open).trimmed();
    }
    return description;
}

} // namespace

PromptHandler SetPromptHandler(PromptHandler handler) {
    return std::exchange(InstalledHandler(), std::move(handler));
}

bool HasPromptHandler() {
    return static_cast<bool>(InstalledHandler());
}

std::optional<PromptAnswer> AnswerByHandler(const PromptRequest& request) {
    // A copy, so a handler that replaces itself while it answers stays alive until it returns.
    const PromptHandler handler = InstalledHandler();
    if (!handler)
        return std::nullopt;
    return handler(request);
}

QString AppCaption() {
    return QString::fromLatin1(kApplicationName);
}

int DefaultButton(uint32_t style) {
    const ButtonSet buttons = ButtonsOf(style);
    const size_t index = (style & MB_DEFMASK) >> 8;
    return buttons.ids[index < buttons.count ? index : 0];
}

int RunModal(QDialog& dialog) {
    if (!HasPromptHandler())
        return dialog.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    // Shown, not modal: the handler works the dialog from here, inside this call.
    bool ended = false;
    int result = IDCANCEL;
    const QMetaObject::Connection finished = QObject::connect(&dialog, &QDialog::finished, [&](int code) {
        ended = true;
        result = code == QDialog::Accepted ? IDOK : IDCANCEL;
    });
    dialog.show();
    PromptRequest request;
    request.kind = PromptKind::Dialog;
    request.caption = dialog.windowTitle();
    request.parent = dialog.parentWidget();
    request.dialog = &dialog;
    const auto answer = AnswerByHandler(request);
    QObject::disconnect(finished);
    if (!ended) {
        result = answer && answer->button != 0 ? answer->button : IDCANCEL;
        dialog.hide();
        dialog.setResult(result == IDOK ? QDialog::Accepted : QDialog::Rejected);
    }
    return result;
}

int AfxMessageBox(const QString& text, uint32_t style, QWidget* parent) {
    PromptRequest request;
    request.kind = PromptKind::MessageBox;
    request.text = text;
    request.caption = AppCaption();
    request.style = style;
    request.parent = parent;
    if (const auto answer = AnswerByHandler(request))
        return answer->button;
    return RunMessageBox(text, style, parent);
}

int AskYesNo(const QString& text, QWidget* parent) {
    return AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION, parent);
}

int AskYesNoCancel(const QString& text, QWidget* parent) {
    return AfxMessageBox(text, MB_YESNOCANCEL | MB_ICONQUESTION, parent);
}

QString ToQtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = StripTrailingPatternList(parts[i]);
        if (parts[i].trimmed().isEmpty())
            break;
        QStringList patterns;
        const QString patternText = i + 1 < parts.size() ? parts[i + 1] : QString();
        for (const QString& piece : patternText.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = piece.trimmed();
            if (pattern.isEmpty())
                continue;
            patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

QString ApplyDefaultExtension(const QString& path, const QString& ext) {
    if (path.isEmpty() || ext.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + ext;
}

QStringList PromptOpenFiles(QWidget* parent, const QString& filter, const QString& startFolder,
                            const QString& caption) {
    PromptRequest request;
    request.kind = PromptKind::OpenFiles;
    request.caption = caption;
    request.filter = filter;
    request.defaultPath = startFolder;
    request.parent = parent;
    if (const auto answer = AnswerByHandler(request)) {
        if (answer->button != IDOK)
            return {};
        QStringList paths;
        for (const QString& path : answer->paths)
            paths << AbsolutePath(path);
        return paths;
    }

    QFileDialog dialog(parent, caption, startFolder, ToQtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString PromptSaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                       const QString& defaultExt, const QString& caption) {
    PromptRequest request;
    request.kind = PromptKind::SaveFile;
    request.caption = caption;
    request.filter = filter;
    request.defaultPath = defaultName;
    request.defaultExt = defaultExt;
    request.parent = parent;
    if (const auto answer = AnswerByHandler(request)) {
        if (answer->button != IDOK || answer->paths.isEmpty())
            return {};
        return ApplyDefaultExtension(answer->paths.front(), defaultExt);
    }

    QFileDialog dialog(parent, caption, QString(), ToQtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog adds the extension itself, so that its question about replacing a file
    // is asked about the name that will really be written.
    dialog.setDefaultSuffix(defaultExt);
    if (!defaultName.isEmpty())
        dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

bool OpenWithDefaultProgram(const QString& path) {
    PromptRequest request;
    request.kind = PromptKind::OpenExternal;
    request.defaultPath = path;
    if (const auto answer = AnswerByHandler(request))
        return answer->button == IDOK;
    // The URL is made from the path's bytes: QUrl::fromLocalFile would encode a name that
    // is no UTF-8 lossily.
    const std::string bytes = PathToBytes(AbsolutePath(path));
    const QByteArray encoded =
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toPercentEncoding("/");
    return QDesktopServices::openUrl(QUrl::fromEncoded("file://" + encoded, QUrl::StrictMode));
}
