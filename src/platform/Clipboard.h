// The clipboard, as plain text. Log text is bytes; it goes on the clipboard as UTF-8, line
// by line the way it is shown: a line that is valid UTF-8 as it is, any other line as
// Latin-1 (one character a byte).
//
// GUI thread only (the clipboard belongs to the application object).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string_view>

class QMimeData;

// Replaces the clipboard's content by the log text `bytes` (any number of lines) as plain
// text. Returns false when there is no clipboard to write to (no application object, or
// called off the GUI thread).
bool SetClipboardText(std::string_view bytes);
// The same for text already in UTF-8, in a QByteArray that the clipboard keeps without a
// copy, under every name desktop programs ask for plain text by.
bool SetClipboardUtf8(QByteArray utf8);

// The plain text on the clipboard, empty when it holds none.
QString GetClipboardText();

// The local files a drag (or the clipboard) carries, in order, each path holding the bytes
// the drag named (PathFromBytes); empty when it carries none.
QStringList LocalFiles(const QMimeData* mime);
