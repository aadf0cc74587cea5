// FileState: a file as a reader last saw it: which file it was (device and inode), how
// many of its bytes were read, and when it was last written.
//
// A save compares the file at its target with the state its log was read in: a file
// that has grown, shrunk or been written since, or another file now at the path, may
// still be written by another program, whose next lines a save over it would lose.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct FileState {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0; // the last write, in nanoseconds since the epoch

    // The state of an open file, or of the file at a path (links followed); nothing when
    // it cannot be had (a path that names nothing, or no regular file).
    static std::optional<FileState> OfDescriptor(int fd);
    static std::optional<FileState> OfPath(const std::string& path);

    bool SameFile(const FileState& other) const { return device == other.device && inode == other.inode; }
    bool operator==(const FileState&) const = default;
};

// The deepest folder of `path` that still exists ("/" at the least): where a log whose
// folder was removed can be saved back nearest to where it was.
std::string NearestExistingFolder(const std::string& path);
