// Log text (bytes) at the screen's edge: shown as UTF-8 when it is valid UTF-8, else as
// Latin-1, one character a byte. Paths go through the file system's own encoding.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view bytes);
QString ToDisplayString(std::string_view bytes);

// The same rule for text handed to other programs (the clipboard) as UTF-8 bytes, line by
// line: a line that is valid UTF-8 goes as it is, any other line as Latin-1 encoded in
// UTF-8 (two bytes for each byte from 0x80 up). `valid` is IsValidUtf8(line), which the
// caller has found out once.
size_t LineUtf8Size(std::string_view line, bool valid);
// Writes LineUtf8Size(line, valid) bytes at `out`; returns the end of what it wrote.
char* CopyLineAsUtf8(std::string_view line, bool valid, char* out);
// Log text of any number of lines (each ending at a line feed, the last one may not) as
// UTF-8 by that rule, each line on its own.
QByteArray LinesToUtf8(std::string_view text);
// A file path as bytes for the POSIX calls, and back.
std::string PathToBytes(const QString& path);
QString PathFromBytes(std::string_view bytes);
