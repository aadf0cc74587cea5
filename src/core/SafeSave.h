// SafeSave: replaces a file whole or not at all.
//
// The bytes go to a new file beside the target (same directory, so same file system);
// only when all of them are written and on the disk is that file renamed over the
// target. Until then the target keeps its old content, and a reader that holds it open
// goes on reading the old bytes. Any failure removes the new file again.
//
// An existing target keeps its permission bits (and its owner, where this process may
// set it). A target that is a symbolic link is resolved, so the file it points to is
// replaced and the link stays a link. A directory, FIFO, socket or device is refused
// before anything is written.
//
// Writing keeps the page cache in step: written ranges are handed to the disk as they
// are completed and dropped from the cache once there, so saving a file of gigabytes
// neither fills memory with dirty pages nor ends in one long wait for all of them.
//
// Errors are the system's: Error() is the errno of the call that failed, ErrorText() its
// text. One object is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class SafeSave {
public:
    SafeSave();
    // Removes the new file unless Commit succeeded.
    ~SafeSave();
    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

    // Prepares to replace `path`: resolves links, checks what is there and creates the
    // new file beside it. False, with the reason, when that fails.
    bool Open(const std::string& path);
    // Appends `size` bytes. False, with the reason, when they could not all be written;
    // nothing more is written after a failure.
    bool Write(const char* data, size_t size);
    // Puts the written bytes on the disk and renames the new file over the target.
    bool Commit();
    // Gives up: the new file is removed, the target stays as it was.
    void Discard();
    // How writing keeps the cache in step: written bytes are handed to the disk every
    // `step` bytes, and waited for and dropped from the cache once `lag` bytes behind.
    // Before Open.
    void SetWritebackWindow(uint64_t step, uint64_t lag) {
        m_writebackStep = step;
        m_writebackLag = lag;
    }

    bool IsOpen() const { return m_fd >= 0; }
    int Error() const { return m_error; }
    std::string ErrorText() const;
    // The file that is replaced: the path given, or where its links lead.
    const std::string& Target() const { return m_target; }
    // The new file while one is open, else empty.
    const std::string& TemporaryPath() const { return m_temporary; }

private:
    bool Fail(int error);
    bool StartWriteback();

    int m_fd = -1;
    int m_error = 0;
    std::string m_target;
    std::string m_temporary;
    uint64_t m_written = 0;
    // [0, m_settled) is on the disk and out of the cache, [m_settled, m_started) is on
    // its way to the disk.
    uint64_t m_started = 0;
    uint64_t m_settled = 0;
    bool m_writebackHints = true;
    uint64_t m_writebackStep;
    uint64_t m_writebackLag;
};
