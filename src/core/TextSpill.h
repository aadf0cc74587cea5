// TextSpill and CompressedTextPlan: where the decompressed text of a compressed log is
// kept while it loads.
//
// Nobody knows a compressed file's text size ahead (a gzip trailer holds it modulo 4 GiB
// for its last member only; other formats may not hold it at all), so the reader decides
// as it goes. The text stays in memory, under the same budget as a plain log's, while the
// budget has room for it: the reader takes the budget batch by batch. A file whose size
// times kExpansion exceeds what is left of the budget would very likely not fit, and
// goes to a private temporary file from its first line; a text found larger than the
// budget during the load goes on in one after the batch that found the budget full (so
// memory holds at most one batch beyond it), the lines before staying in memory. Either way nothing is
// decompressed twice, and what lies in the temporary file is read from it as a plain log beyond the budget is
// read from its own file.
//
// The temporary file is unlinked as soon as it is made (O_TMPFILE where the file system
// has it), so it goes with its last descriptor however the program ends. It lives in
// $XDG_CACHE_HOME/quorvix (~/.cache/quorvix) when that folder exists or can be made,
// else in the system's temporary folder. Free space is checked before it is made and
// again every kSpaceCheckBytes it grows: it stops, with a reason, while kKeepFree bytes
// are still free, so the disk never fills.
//
// Reader thread only; the descriptors it hands out go to the store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/FileText.h"

class TextSpill {
public:
    static constexpr uint64_t kDefaultKeepFree = uint64_t{1} << 30;
    static constexpr uint64_t kSpaceCheckBytes = uint64_t{64} << 20;

    // `keepFree`: bytes the file leaves free on its disk.
    explicit TextSpill(uint64_t keepFree = kDefaultKeepFree);
    TextSpill(const TextSpill&) = delete;
    TextSpill& operator=(const TextSpill&) = delete;

    // Makes the file; false with `error` set when no folder takes one or has room.
    bool Create(std::string& error);
    // Appends `bytes` (buffered); false with `error` set when the disk is about to fill
    // or a write fails. Nothing is appended after a failure.
    bool Append(std::string_view bytes, std::string& error);
    // Writes what is buffered, so every byte appended can be read from the file.
    bool Flush(std::string& error);
    // Bytes appended: the offset the next ones get.
    uint64_t Size() const { return m_size; }
    // A descriptor of the file for a reader of it (invalid when it cannot be had).
    FileHandle Duplicate() const;
    // The folder it lies in.
    const std::string& Folder() const { return m_folder; }

    // The folder the file goes in: the user's cache folder for the program, or the
    // system's temporary folder (made when missing, where it can be).
    static std::string ChooseFolder();

private:
    bool CheckSpace(uint64_t more, std::string& error);

    uint64_t m_keepFree;
    FileHandle m_file;
    std::string m_folder;
    std::unique_ptr<char[]> m_buffer;
    size_t m_buffered = 0;
    uint64_t m_size = 0;
    uint64_t m_written = 0;
    uint64_t m_nextCheck = 0;
    bool m_failed = false;
};

class CompressedTextPlan {
public:
    // A compressed text larger than this many times its file would not fit what is left
    // of the budget: guessed high, since logs compress well (the benchmark's log: 8 x
    // gzip, 13 x zstd, 20 x xz).
    static constexpr uint64_t kExpansion = 24;

    // The plan for a compressed file of `compressedBytes`.
    explicit CompressedTextPlan(uint64_t compressedBytes, uint64_t keepFree = TextSpill::kDefaultKeepFree);

    // True when the text goes to the temporary file from the start (call Start then).
    bool StartsInFile() const { return m_startInFile; }
    bool InFile() const { return m_spill != nullptr; }
    // Makes the temporary file; false with Error() set.
    bool StartFile();

    // Where the text of `piece` (as read, its line feed kept) lies, for its record: in
    // memory, `textOffset`; in the file, where it is written to now. False (Error()) when
    // the file has no room for it.
    bool Place(std::string_view piece, uint64_t textOffset, uint64_t& offset);
    // Before a batch holding `bytes` of text in memory is handed over: in memory, takes
    // its share of the budget, and when none is left, makes the temporary file, which the
    // batches after this one go to; `started` then says so. In the file, writes out what
    // is buffered, so the batch's lines can be read. False with Error() on failure.
    bool BeforeHandOver(uint64_t bytes, bool& started);
    // The budget taken so far, handed on (to the store).
    TextBudgetShare TakeBudget() { return std::move(m_budget); }
    // A descriptor of the temporary file, for the store.
    FileHandle FileForStore() const { return m_spill ? m_spill->Duplicate() : FileHandle(); }
    const std::string& Error() const { return m_error; }

private:
    uint64_t m_keepFree;
    bool m_startInFile;
    TextBudgetShare m_budget;
    std::unique_ptr<TextSpill> m_spill;
    std::string m_error;
};
