// Quorvix, terminal edition: until the window arrives, the program loads the level
// configuration from the working directory and prints each log named on the command line
// with its lines in their level colours.
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "app/LevelConfig.h"
#include "app/LineFile.h"
#include "loader/LineRecord.h"
#include "view/LogViewCore.h"

namespace {

int PrintLog(const std::string& path, bool colour) {
    CLineFile file;
    std::string error;
    if (!file.Open(path, CLineFile::modeRead | CLineFile::typeText, &error)) {
        std::fprintf(stderr, "quorvix: %s\n", error.c_str());
        return 1;
    }
    DisplayList list;
    CLogViewCore core(list);
    try {
        std::string_view piece;
        while (file.ReadPiece(piece)) {
            LineBatch batch(1, piece.size());
            batch.Add(piece.substr(0, piece.size() - (piece.ends_with('\n') ? 1 : 0)), piece.size());
            core.AddLine(batch.Records().front());
        }
    } catch (const CFileException& e) {
        std::fprintf(stderr, "quorvix: %s\n", e.what());
    }
    core.OnLoadDone(0, 0);
    for (int i = 0; i < list.GetCount(); ++i) {
        const std::string_view text = list.GetText(i);
        const COLORREF c = list.GetItemData(i) & COLOUR_MASK;
        if (colour)
            std::printf("\x1b[38;2;%u;%u;%um%.*s\x1b[0m\n", GetRValue(c), GetGValue(c), GetBValue(c),
                        static_cast<int>(text.size()), text.data());
        else
            std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
    }
    std::printf("-- %s: %d lines; levels present:", path.c_str(), list.GetCount());
    for (int k = 1; k < kFilterCount; ++k) {
        if (core.m_levelFilter[k].present)
            std::printf(" %.*s", static_cast<int>(g_levelTypes[k - 1].name.size()), g_levelTypes[k - 1].name.data());
    }
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("Usage: quorvix [FILE...]\nShows each log FILE coloured by the levels of ./quorvix.ini.\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Quorvix 3.6.0.4\n");
            return 0;
        }
    }
    if (!LoadLevelConfiguration("quorvix.ini", GlobalLevelTables())) {
        std::fprintf(stderr, "quorvix: cannot read quorvix.ini in the working directory\n");
        return 1;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i)
        status |= PrintLog(argv[i], isatty(STDOUT_FILENO) != 0);
    return status;
}
