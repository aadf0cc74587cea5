// Pastes as another Qt program would: prints the clipboard's plain text (QClipboard::text)
// as UTF-8 on standard output and exits. The tests that copy under a real X server run it
// beside xclip to see what a second Qt program gets.
#include <QClipboard>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
    const size_t written = std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    return written == static_cast<size_t>(text.size()) ? 0 : 1;
}
