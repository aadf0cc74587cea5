// Log text (bytes) at the screen's edge: shown as UTF-8 when it is valid UTF-8, else as
// Latin-1, one character a byte.
//
// File paths are bytes too, and the program carries them in QStrings that hold those
// bytes exactly: PathFromBytes decodes valid UTF-8 as such and turns every other byte
// 0x80..0xFF into the lone low surrogate U+DC80..U+DCFF, which no UTF-8 decodes to, and
// PathToBytes turns them back. So a name such as "caf\xe9.log" (Latin-1, from an old
// share) opens, saves and comes back from the settings as the same bytes. Qt's file
// classes (QFile, QFileInfo, QDir, QUrl::fromLocalFile) encode such a string lossily:
// paths go to the system as PathToBytes, and what Qt would resolve (an absolute path) is
// resolved here on the bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

QString ToDisplayString(std::string_view bytes);

// Log text of any number of lines (each ending at a line feed, the last one may not) as
// UTF-8 by that rule, each line on its own.
QByteArray LinesToUtf8(std::string_view text);
// A file path as bytes for the POSIX calls, and back, without loss (see above).
std::string PathToBytes(const QString& path);
QString PathFromBytes(std::string_view bytes);
// The path as the user reads it, in titles, menus and messages: each byte that is not
// UTF-8 shows as its Latin-1 character. Only for showing: it names another file.
QString PathForDisplay(const QString& path);
// `path` made absolute against the working directory, with "." and ".." parts and
// repeated or trailing "/" resolved by name (symbolic links are not followed) as
// QDir::cleanPath does, except that ".." at the root stays there; empty stays empty.
QString AbsolutePath(const QString& path);
// The part of `path` after its last "/".
QString PathFileName(const QString& path);
