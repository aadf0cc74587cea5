#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QThread>

#include "platform/QtText.h"

namespace {

QClipboard* ApplicationClipboard() {
    if (!QGuiApplication::instance() || QThread::currentThread() != QGuiApplication::instance()->thread())
        return nullptr;
    return QGuiApplication::clipboard();
}

} // namespace

bool SetClipboardText(std::string_view bytes) {
    QClipboard* clipboard = ApplicationClipboard();
    if (!clipboard)
        return false;
    clipboard->setText(ToDisplayString(bytes), QClipboard::Clipboard);
    return true;
}

QString GetClipboardText() {
    const QClipboard* clipboard = ApplicationClipboard();
    return clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
}
