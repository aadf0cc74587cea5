// The text the log list's lines make when they leave the program: the block Copy puts on
// the clipboard, and the file Save writes.
//
// Copy: every line of a list, each as UTF-8 (as it is when valid UTF-8, else
// taken as Latin-1) and followed by one line feed. Save: every line of the list in text
// mode (each line feed of a line as CR LF) and followed by CR LF, written through SafeSave
// so that a failure never leaves the target half written.
//
// The list must not change while a block is measured and filled. Reads the list only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class DisplayList;

// A copy block, measured at construction and filled by Fill into memory the caller holds
// (the clipboard's own array, so that hundreds of megabytes exist once). Both steps share
// their work between the processors, each a run of lines; lines that are valid UTF-8, as
// most are, are copied as they are. Throws std::bad_alloc when memory runs out.
class CopyBlock {
public:
    explicit CopyBlock(const DisplayList& list);

    // The block's length in bytes.
    size_t Size() const { return m_offsets.back(); }
    // Writes Size() bytes at `out`, never more. False when the lines no longer make the
    // text that was measured (their file changed since); `out` then holds nothing of use.
    bool Fill(char* out) const;

private:
    const DisplayList& m_list;
    // The runs of items each thread takes, and where each run starts in the block.
    std::vector<size_t> m_bounds;
    std::vector<size_t> m_offsets;
    // Indices of the lines that are not valid UTF-8, ascending, per run.
    std::vector<std::vector<size_t>> m_invalid;
};

enum class SaveStatus { Saved, EmptyList, Failed };

// Writes every line of `list` to the file at `path` (bytes) as Save does. An empty list
// writes nothing. The file is written beside the target and renamed over it only when
// complete and on the disk, so a failure, memory running out too, leaves the target as it
// was and a reader still holding the old file keeps reading the old bytes. On failure
// `error` gets the system's reason.
SaveStatus SaveListToFile(const DisplayList& list, const std::string& path, std::string& error);
