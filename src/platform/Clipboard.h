// The clipboard, as plain text. Log text is bytes; it goes on the clipboard as UTF-8
// text when it is valid UTF-8 and as Latin-1 (one character a byte) otherwise, the same
// way it is shown.
//
// GUI thread only (the clipboard belongs to the application object).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string_view>

class QMimeData;

// Replaces the clipboard's content by `bytes` as plain text. Returns false when there is
// no clipboard to write to (no application object, or called off the GUI thread).
bool SetClipboardText(std::string_view bytes);
// The same for bytes already in a QByteArray, which the clipboard keeps without a copy.
bool SetClipboardBytes(QByteArray bytes);

// The plain text on the clipboard, empty when it holds none.
QString GetClipboardText();

// The local files a drag (or the clipboard) carries, in order, each path holding the bytes
// the drag named (PathFromBytes); empty when it carries none.
QStringList LocalFiles(const QMimeData* mime);
