#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/LineFile.h"
#include "commands/Commands.h"
#include "core/BigBlock.h"
#include "platform/Clipboard.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "core/SafeSave.h"
#include "core/Parallel.h"
#include "res/Resources.h"
#include "view/LogListBox.h"

namespace {

// Saved text goes to the file in pieces of about this size, so a log of gigabytes is never
// held a second time in memory.
constexpr size_t kWriteChunk = 4u << 20;

// Removes the selection from every line; costs the span the selection covers.
void ClearSelection(DisplayList& list) {
    if (list.GetSelCount() > 0)
        list.SelectOnly(-1, -1);
}

// The lines at `indices`, each followed by one line feed, as UTF-8 (each line by the rule
// of LineUtf8Size), in one buffer of the exact size. Hundreds of megabytes may be copied:
// the buffer asks for huge pages, which saves a page fault every 4 KiB, and a large copy
// is measured and filled by one thread a processor, each its own run of lines. Most of the
// fill's time is the first write to that fresh memory, and the kernel backs pages for
// several threads at once. Lines that are valid UTF-8, as most are, are copied as they are.
QByteArray TextBlock(const DisplayList& list, const std::vector<int>& indices) {
    constexpr size_t kLinesPerPart = 256 * 1024;
    const std::vector<size_t> bounds = SplitForParallel(indices.size(), kLinesPerPart);
    const size_t parts = bounds.size() - 1;
    struct Part {
        size_t size = 0;
        // Positions in `indices` of the part's lines that are not valid UTF-8, ascending.
        std::vector<size_t> invalid;
    };
    std::vector<Part> measured(parts);
    RunInParallel(parts, [&](size_t part) {
        Part& out = measured[part];
        for (size_t i = bounds[part]; i < bounds[part + 1]; ++i) {
            const std::string_view text = list.GetText(indices[i]);
            const bool valid = IsValidUtf8(text);
            if (!valid)
                out.invalid.push_back(i);
            out.size += LineUtf8Size(text, valid) + 1;
        }
    });
    // Where each part's lines start in the block.
    std::vector<size_t> offsets(parts + 1, 0);
    for (size_t part = 0; part < parts; ++part)
        offsets[part + 1] = offsets[part] + measured[part].size;
    QByteArray block(static_cast<qsizetype>(offsets[parts]), Qt::Uninitialized);
    AdviseHugePages(block.data(), offsets[parts]);
    char* const base = block.data();
    RunInParallel(parts, [&](size_t part) {
        char* out = base + offsets[part];
        auto nextInvalid = measured[part].invalid.begin();
        const auto lastInvalid = measured[part].invalid.end();
        for (size_t i = bounds[part]; i < bounds[part + 1]; ++i) {
            const bool valid = nextInvalid == lastInvalid || *nextInvalid != i;
            if (!valid)
                ++nextInvalid;
            out = CopyLineAsUtf8(list.GetText(indices[i]), valid, out);
            *out++ = '\n';
        }
    });
    return block;
}

enum class SaveStatus { Saved, EmptyList, Failed };

// The writing of SaveListToFile; throws std::bad_alloc when memory runs out.
SaveStatus WriteListToFile(const DisplayList& list, const QString& path, QString& error);

// Writes every line of the list to `path` in text mode (each line followed by CR LF) and
// leaves no line selected. An empty list writes nothing. The file is written beside the
// target and renamed over it only when complete and on the disk, so a failure (memory
// running out too) leaves the target as it was, and a reader still holding the old file
// keeps reading the old bytes. On failure `error` gets the system's reason.
SaveStatus SaveListToFile(DisplayList& list, const QString& path, QString& error) {
    if (list.GetCount() == 0)
        return SaveStatus::EmptyList;
    // The selection goes whether or not the file can be written.
    ClearSelection(list);
    try {
        return WriteListToFile(list, path, error);
    } catch (const std::bad_alloc&) {
        // The new file went with the SafeSave that was not committed: nothing half
        // written is left, and the target is as it was.
        error = QString::fromLocal8Bit(std::strerror(ENOMEM));
        return SaveStatus::Failed;
    }
}

SaveStatus WriteListToFile(const DisplayList& list, const QString& path, QString& error) {
    const int count = list.GetCount();
    SafeSave file;
    const auto failed = [&] {
        error = QString::fromLocal8Bit(file.ErrorText());
        return SaveStatus::Failed;
    };
    if (!file.Open(PathToBytes(path)))
        return failed();
    // Filled to kWriteChunk and written in one call; a line never makes it grow much
    // past that, so it is allocated once.
    std::string chunk;
    chunk.reserve(kWriteChunk + 64 * 1024);
    for (int i = 0; i < count; ++i) {
        CLineFile::AppendTextMode(chunk, list.GetText(i));
        chunk.append("\r\n");
        if (chunk.size() >= kWriteChunk) {
            if (!file.Write(chunk.data(), chunk.size()))
                return failed();
            chunk.clear();
        }
    }
    if (!file.Write(chunk.data(), chunk.size()) || !file.Commit())
        return failed();
    return SaveStatus::Saved;
}

void ReportSaveFailure(CommandHost& host, const QString& path, const QString& error) {
    AfxMessageBox(QString::fromUtf8(res::kCannotSaveFile).arg(path, error), MB_OK | MB_ICONERROR,
                  host.DialogParent());
}

} // namespace

namespace clipboard_commands {

bool CopyLinesToClipboard(const DisplayList& list, const std::vector<int>& indices) {
    return SetClipboardUtf8(TextBlock(list, indices));
}

void OnCopy(CommandHost& host) {
    const DisplayList& list = host.LogList().Model();
    if (list.GetCount() == 0 || list.GetSelCount() == 0)
        return;
    bool copied = false;
    try {
        copied = CopyLinesToClipboard(list, list.GetSelItems());
    } catch (const std::bad_alloc&) {
        // The block could not be had, so the clipboard was never touched.
        AfxMessageBox(QString::fromUtf8(res::kCopyOutOfMemory).arg(list.GetSelCount()),
                      MB_OK | MB_ICONWARNING, host.DialogParent());
        return;
    }
    if (copied)
        AfxMessageBox(QString::fromUtf8(res::kCopiedToClipboard), MB_OK, host.DialogParent());
}

void OnClearSel(CommandHost& host) {
    ClearSelection(host.LogList().Model());
}

void OnSaveAs(CommandHost& host) {
    const QString path = PromptSaveFile(host.DialogParent(), QString::fromUtf8(res::kSaveAsFilter));
    if (path.isEmpty())
        return;
    QString error;
    switch (SaveListToFile(host.LogList().Model(), path, error)) {
    case SaveStatus::EmptyList:
        return;
    case SaveStatus::Failed:
        ReportSaveFailure(host, path, error);
        return;
    case SaveStatus::Saved:
        break;
    }
    if (AskYesNo(QString::fromUtf8(res::kOpenSavedFile), host.DialogParent()) == IDYES)
        host.OpenSavedFile(path);
}

bool SaveDocument(CommandHost& host, const QString& path) {
    QString error;
    switch (SaveListToFile(host.LogList().Model(), path, error)) {
    case SaveStatus::Saved:
        host.SetModifiedFlag(false);
        return true;
    case SaveStatus::EmptyList:
        // Nothing is written over the log; the document stays modified.
        return false;
    case SaveStatus::Failed:
        ReportSaveFailure(host, path, error);
        return false;
    }
    return false;
}

} // namespace clipboard_commands
