#include "core/DroppedPath.h"

#include "core/ByteText.h"

std::string_view FileNameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsDroppedPathOpened(std::string_view path) {
    const size_t dot = FileNameOf(path).rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return true;
    return bytetext::FoundAfterStart(path, ".txt") || bytetext::FoundAfterStart(path, ".dat");
}
