// The rule that decides which files dropped from the desktop are opened as logs, on the
// main frame and on a log window alike.
#pragma once

#include <string_view>

// The file name of `path`: the part after its last "/" (all of it when it has none; empty
// when the path ends with "/").
std::string_view FileNameOf(std::string_view path);

// Whether a dropped `path` is opened: a file name without a ".", or whose only "." is its
// first character (".profile"), always is; any other only when the whole path (not just
// the name) holds ".txt" or ".dat" after its first character, compared byte for byte, so
// notes.txt.bak and /srv/logs.dat/x.log are opened while NOTES.TXT and x.log are not.
bool IsDroppedPathOpened(std::string_view path);

// Opens, in order, each path of `paths` that the rule above opens, with `open`. The list
// is read afresh at every step: opening may show a message box whose event loop takes
// another drop, which replaces the list. `toBytes` turns a path into the bytes the rule
// looks at.
template <class Paths, class ToBytes, class Open>
void OpenDroppedPaths(const Paths& paths, ToBytes toBytes, Open open) {
    for (decltype(paths.size()) i = 0; i < paths.size(); ++i) {
        const auto path = paths[i];
        if (IsDroppedPathOpened(toBytes(path)))
            open(path);
    }
}
