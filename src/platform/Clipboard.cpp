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
    return SetClipboardUtf8(LinesToUtf8(bytes));
}

bool SetClipboardUtf8(QByteArray utf8) {
    QClipboard* clipboard = ApplicationClipboard();
    if (!clipboard)
        return false;
    // On X11, Qt offers "text/plain" also as UTF8_STRING, STRING and TEXT, the targets
    // terminals, editors and xclip ask for (STRING and TEXT converted to Latin-1 when one
    // is asked for, as they are defined); "text/plain;charset=utf-8" is what other Qt
    // programs read first. Both names hold the same QByteArray, shared, so even a copy of
    // hundreds of megabytes is held once; nothing is converted unless a program asks for
    // a conversion.
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), utf8);
    data->setData(QStringLiteral("text/plain;charset=utf-8"), utf8);
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
