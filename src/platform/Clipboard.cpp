#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <new>

#include "core/BigBlock.h"
#include "core/DisplayList.h"
#include "core/LineStore.h"
#include "core/TextBlock.h"
#include "platform/QtText.h"

namespace {

QClipboard* ApplicationClipboard() {
    if (!QGuiApplication::instance() || QThread::currentThread() != QGuiApplication::instance()->thread())
        return nullptr;
    return QGuiApplication::clipboard();
}

// On X11, Qt offers "text/plain" also as UTF8_STRING, STRING and TEXT, the targets
// terminals, editors and xclip ask for (STRING and TEXT converted to Latin-1 when one is
// asked for, as they are defined); "text/plain;charset=utf-8" is what other Qt programs
// read first.
const QString kPlain = QStringLiteral("text/plain");
const QString kPlainUtf8 = QStringLiteral("text/plain;charset=utf-8");

// Copied lines on the clipboard, made into text when a program asks for it (retrieveData)
// or when their log view goes (Settle). The list and the store it refers to do not change
// meanwhile: the list is the clipboard's own, the store only grows at its end.
class LinesMime final : public QMimeData {
public:
    explicit LinesMime(std::unique_ptr<const DisplayList> lines) : m_lines(std::move(lines)) {}

    QStringList formats() const override { return {kPlain, kPlainUtf8}; }
    bool hasFormat(const QString& type) const override { return type == kPlain || type == kPlainUtf8; }

    const LineStore* Store() const { return m_lines ? m_lines->Store() : nullptr; }
    // Makes the text now and lets go of the list and its store. False, keeping both, when
    // memory runs out.
    bool Settle() {
        if (!m_lines)
            return true;
        bool ok = false;
        QByteArray text = Make(ok);
        if (!ok)
            return false;
        m_text = std::move(text);
        m_lines.reset();
        return true;
    }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override {
        if (!hasFormat(type))
            return {};
        if (!m_lines)
            return m_text;
        bool ok = false;
        QByteArray text = Make(ok);
        // A paste that finds no memory for the text gets none; the copy stays for the next.
        return ok ? QVariant(std::move(text)) : QVariant();
    }

private:
    QByteArray Make(bool& ok) const {
        ok = false;
        try {
            const CopyBlock block(*m_lines);
            // Hundreds of megabytes may be asked for; huge pages save a page fault every
            // 4 KiB.
            QByteArray bytes(static_cast<qsizetype>(block.Size()), Qt::Uninitialized);
            AdviseHugePages(bytes.data(), block.Size());
            // Lines read from a file that another program has changed meanwhile are not
            // pasted as whatever the file holds now: nothing is.
            // Nor are lines of a file cut short since, which the log shows no more.
            if (!block.Fill(bytes.data()) ||
                (Store() &&
                 (Store()->SourceChanged() || m_lines->LowestStoreLine() < Store()->FirstLiveLine())))
                return {};
            ok = true;
            return bytes;
        } catch (const std::bad_alloc&) {
            return {};
        }
    }

    std::unique_ptr<const DisplayList> m_lines;
    QByteArray m_text;
};

} // namespace

bool SetClipboardLines(std::unique_ptr<const DisplayList> lines) {
    QClipboard* clipboard = ApplicationClipboard();
    if (!clipboard || !lines)
        return false;
    clipboard->setMimeData(new LinesMime(std::move(lines)), QClipboard::Clipboard);
    return true;
}

void ClipboardLetGoOf(const LineStore* store) {
    QClipboard* clipboard = ApplicationClipboard();
    if (!clipboard || !store)
        return;
    // The clipboard's content is ours to change while we own it.
    auto* lines =
        dynamic_cast<LinesMime*>(const_cast<QMimeData*>(clipboard->mimeData(QClipboard::Clipboard)));
    // Lines read from their file need no text made: the store, shared, keeps its file.
    if (lines && lines->Store() == store && !store->HasFileText())
        lines->Settle();
}

bool SetClipboardText(std::string_view bytes) {
    QClipboard* clipboard = ApplicationClipboard();
    if (!clipboard)
        return false;
    // Both names hold the same QByteArray, shared: the text is held once.
    const QByteArray utf8 = LinesToUtf8(bytes);
    auto* data = new QMimeData;
    data->setData(kPlain, utf8);
    data->setData(kPlainUtf8, utf8);
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
