// Prompts: every modal question the program puts to the user, and the one function they
// all pass through.
//
// Message boxes, the open and save file dialogs, opening a file with the desktop's
// default program, and modal dialogs (RunModal) each build a PromptRequest.
// When a prompt handler is installed (tests), the handler answers it and no window
// opens; otherwise the real Qt dialog runs. Tests install a handler to script the
// user's answers and to read back every prompt that was shown.
//
// Everything here runs on the GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include <cstdint>

class QWidget;
class QDialog;

// Message box styles: one button set, optionally an icon and the default button.
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr uint32_t MB_ICONASTERISK = 0x40;
inline constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr uint32_t MB_DEFBUTTON1 = 0x000;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200;
inline constexpr uint32_t MB_TYPEMASK = 0x00F;
inline constexpr uint32_t MB_ICONMASK = 0x0F0;
inline constexpr uint32_t MB_DEFMASK = 0xF00;

// Button ids: the results of message boxes and dialogs, and the ids of a dialog's OK and
// Cancel buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

enum class PromptKind {
    MessageBox,   // text, caption, style
    OpenFiles,    // caption, filter, defaultPath (starting folder); answer: paths
    SaveFile,     // caption, filter, defaultPath (suggested name), defaultExt; answer: paths[0]
    OpenExternal, // defaultPath: the file to open; answer IDOK when it opened
    Dialog,       // caption, dialog: a modal dialog, built, initialised and shown
};

struct PromptRequest {
    PromptKind kind = PromptKind::MessageBox;
    QString text;
    QString caption;
    uint32_t style = 0;
    // File dialog filter as the program writes it: "Name|*.a;*.b|Name|*.*||".
    QString filter;
    QString defaultPath;
    // Extension (without the dot) given to a saved name that has none.
    QString defaultExt;
    QWidget* parent = nullptr;
    QDialog* dialog = nullptr;
};

struct PromptAnswer {
    int button = 0; // IDOK, IDCANCEL, IDYES, IDNO ...
    QStringList paths;
};

// A handler answers a prompt instead of the user. It may itself raise further prompts
// (a dialog's OK handler may show a message box); those reach the handler again.
using PromptHandler = std::function<PromptAnswer(const PromptRequest&)>;

// Installs `handler` and returns the one it replaces. An empty handler restores the real
// Qt dialogs.
PromptHandler SetPromptHandler(PromptHandler handler);

// Whether a handler is installed.
bool HasPromptHandler();
// The installed handler's answer to `request`, or nothing when no handler is installed.
// The prompt functions below and RunModal go through it.
std::optional<PromptAnswer> AnswerByHandler(const PromptRequest& request);

// The application name: the caption of every message box.
QString AppCaption();

// The button a message box of `style` offers as its default (MB_DEFBUTTONn; the first
// button when n is past the last).
int DefaultButton(uint32_t style);

// Shows `text` in a message box captioned with the application name, with the buttons
// and icon of `style`. Returns the id of the button chosen; closing a box without
// pressing a button counts as Cancel, or No when it has no Cancel, or OK.
int AfxMessageBox(const QString& text, uint32_t style = MB_OK, QWidget* parent = nullptr);
// A question with Yes and No: IDYES or IDNO.
int AskYesNo(const QString& text, QWidget* parent = nullptr);
// A question with Yes, No and Cancel: IDYES, IDNO or IDCANCEL.
int AskYesNoCancel(const QString& text, QWidget* parent = nullptr);

// The file dialog filter "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||" in Qt's form,
// "Text Files (*.txt);;All Files (*)". Each description loses a trailing "(...)" of its
// own and gets the real patterns; "*.*" becomes "*" (every file, dot or not). The list
// ends at the first empty description. An empty filter stays empty (every file).
QString ToQtFileFilter(const QString& filter);

// `path` with ".ext" added when its file name has no extension and `ext` is not empty.
QString ApplyDefaultExtension(const QString& path, const QString& ext);

// The open-file dialog: one or more existing files. Returns them as absolute paths, or
// nothing when the user cancels.
QStringList PromptOpenFiles(QWidget* parent, const QString& filter = {}, const QString& startFolder = {},
                            const QString& caption = QStringLiteral("Open"));

// The save-file dialog, asking before it replaces an existing file. Returns the chosen
// path (with `defaultExt` added to a name without extension), or an empty string when
// the user cancels.
QString PromptSaveFile(QWidget* parent, const QString& filter, const QString& defaultName = {},
                       const QString& defaultExt = {}, const QString& caption = QStringLiteral("Save As"));

// Runs `dialog` modally and returns IDOK when it was accepted, else IDCANCEL (closed,
// rejected, or the application quitting). With a handler installed the dialog is shown,
// the handler works it instead of the user, and a dialog it leaves open ends with the
// handler's button (IDCANCEL when it gives none) without running accept or reject.
int RunModal(QDialog& dialog);

// Opens the local file `path` with the desktop's default program for its type. Returns
// false when the desktop reports a failure; whether the program then runs is its own.
bool OpenWithDefaultProgram(const QString& path);
