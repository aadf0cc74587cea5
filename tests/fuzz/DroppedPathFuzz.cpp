// The dropped-path rule on arbitrary paths, one per input line, against the rule done by
// hand: a file name (after the last "/") with no ".", or with its only "." first, is
// opened; any other only when ".txt" or ".dat" first occurs in the whole path after its
// first byte, byte for byte. OpenDroppedPaths opens exactly those, in order.

#include "FuzzSupport.h"

#include "core/DroppedPath.h"

namespace {

std::string_view ExpectedFileName(std::string_view path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/')
            start = i + 1;
    }
    return path.substr(start);
}

bool ExpectedOpened(std::string_view path) {
    size_t dots = 0;
    bool dotFirst = false;
    const std::string_view name = ExpectedFileName(path);
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '.') {
            ++dots;
            dotFirst = dotFirst || i == 0;
        }
    }
    if (dots == 0 || (dots == 1 && dotFirst))
        return true;
    for (const std::string_view mark : {std::string_view(".txt"), std::string_view(".dat")}) {
        const size_t pos = fuzz::FirstOccurrence(path, mark);
        if (pos != std::string_view::npos && pos > 0)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<fuzz::ExactBytes> paths;
    for (const std::string_view line : fuzz::SplitLines(fuzz::AsText(data, size)))
        paths.emplace_back(line);

    std::vector<std::string_view> views;
    std::vector<std::string_view> wantOpened;
    for (const fuzz::ExactBytes& bytes : paths) {
        const std::string_view path = bytes.View();
        views.push_back(path);
        const std::string_view name = FileNameOf(path);
        // The name is the path's own tail, not a copy.
        FUZZ_CHECK(name.data() + name.size() == path.data() + path.size());
        FUZZ_CHECK(name == ExpectedFileName(path));
        FUZZ_CHECK(IsDroppedPathOpened(path) == ExpectedOpened(path));
        if (ExpectedOpened(path))
            wantOpened.push_back(path);
    }

    std::vector<std::string_view> opened;
    OpenDroppedPaths(
        views, [](std::string_view path) { return path; },
        [&](std::string_view path) { opened.push_back(path); });
    FUZZ_CHECK(opened.size() == wantOpened.size());
    for (size_t i = 0; i < opened.size(); ++i)
        FUZZ_CHECK(opened[i].data() == wantOpened[i].data() && opened[i].size() == wantOpened[i].size());
    return 0;
}
