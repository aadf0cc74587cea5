// Log text (bytes) at the screen's edge: shown as UTF-8 when it is valid UTF-8, else as
// Latin-1, one character a byte. Paths go through the file system's own encoding.
#pragma once

#include <QString>
#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view bytes);
QString ToDisplayString(std::string_view bytes);
// A file path as bytes for the POSIX calls, and back.
std::string PathToBytes(const QString& path);
QString PathFromBytes(std::string_view bytes);
