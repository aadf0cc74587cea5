#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>
#include <QUrl>

#include "platform/QtText.h"

namespace {

QClipboard* ApplicationClipboard() {
    if (!QGuiApplication::instance() || QThread::currentThread() != QGuiApplication::instance()->thread())
        return nullptr;
    return QGuiApplication::clipboard();
}

} // namespace

bool SetClipboardText(std::string_view bytes) {
    return SetClipboardBytes(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool SetClipboardBytes(QByteArray bytes) {
    QClipboard* clipboard = ApplicationClipboard();
    if (!clipboard)
        return false;
    if (!IsValidUtf8(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
        clipboard->setText(QString::fromLatin1(bytes), QClipboard::Clipboard);
        return true;
    }
    // Valid UTF-8 goes on as it is: turning hundreds of megabytes into a QString first
    // would double them and take seconds; a program that pastes gets the bytes or, when it
    // asks for text, the conversion then.
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain;charset=utf-8"), bytes);
    clipboard->setMimeData(data, QClipboard::Clipboard);
    return true;
}

QString GetClipboardText() {
    const QClipboard* clipboard = ApplicationClipboard();
    return clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
}

QStringList LocalFiles(const QMimeData* mime) {
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        // The URL carries the name's bytes percent-encoded; toLocalFile would decode them
        // as UTF-8 and lose any that are not. A host stays in front ("//host/path"), as
        // toLocalFile puts it.
        const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        QString path = PathFromBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        if (!url.host().isEmpty())
            path = QStringLiteral("//") + url.host() +
                   (path.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + path;
        paths << path;
    }
    return paths;
}
