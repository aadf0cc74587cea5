// The clipboard, as plain text. Log text is bytes; it goes on the clipboard as UTF-8, line
// by line the way it is shown: a line that is valid UTF-8 as it is, any other line as
// Latin-1 (one character a byte).
//
// GUI thread only (the clipboard belongs to the application object).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <string_view>

class DisplayList;
class LineStore;
class QMimeData;

// Replaces the clipboard's content by the log text `bytes` (any number of lines) as plain
// text. Returns false when there is no clipboard to write to (no application object, or
// called off the GUI thread).
bool SetClipboardText(std::string_view bytes);

// Puts `lines` (every item of the list, each followed by a line feed, as SetClipboardText
// would) on the clipboard without making the text now: the clipboard keeps the list, which
// refers to its store's lines and shares the store's ownership, and the text is made
// each time a program asks for it. A copy of millions of lines then costs the list's few
// bytes a line until a paste. Returns false when there is no clipboard to write to.
bool SetClipboardLines(std::unique_ptr<const DisplayList> lines);
// A log view lets go of `store`: a copy on the clipboard that refers to it is made into
// its text now, so that the store's memory can go with the view. When that text cannot be
// had, the copy keeps the store instead (nothing the user copied is lost).
void ClipboardLetGoOf(const LineStore* store);

// The plain text on the clipboard, empty when it holds none.
QString GetClipboardText();

// The local files a drag (or the clipboard) carries, in order, each path holding the bytes
// the drag named (PathFromBytes); empty when it carries none.
QStringList LocalFiles(const QMimeData* mime);
