// Ways to make file operations fail on purpose: a file size limit (writes fail as on a
// full disk), permission checks that hold even for root, and a really full file system;
// and memory: an address-space limit, so allocations fail as on a small machine.
#pragma once

#include <cstddef>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>

// While it lives, writes that would take a file past `bytes` fail with EFBIG, as writes
// to a full disk fail; SIGXFSZ, which would end the process, is ignored meanwhile. The
// limit is the process's: keep other threads from writing files meanwhile.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

// While it lives, file permissions hold for the calling thread even when the process
// runs as root: the capabilities that override them leave the thread's effective set,
// and come back afterwards. Other threads keep theirs; threads started meanwhile
// inherit the reduced set. Nothing changes for a process without those capabilities.
class PermissionsHold {
public:
    PermissionsHold();
    ~PermissionsHold();
    PermissionsHold(const PermissionsHold&) = delete;
    PermissionsHold& operator=(const PermissionsHold&) = delete;

    // False when the capabilities could not be dropped (the checks may still not hold).
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
    bool m_dropped = false;
    unsigned m_savedEffective[2] = {0, 0};
};

// True when this thread may write into `dir` / read `file`, judged by the kernel with the
// thread's effective credentials.
bool MayWrite(const std::string& dir);
bool MayRead(const std::string& file);

// A file system of `bytes` bytes, so writes past that fail with ENOSPC. It is a tmpfs
// mounted in a mount namespace of a helper process and reached through that process's
// /proc/<pid>/root, so nothing changes for the rest of the machine; it goes with the
// helper when this object dies. Needs the right to make a mount namespace (root, or
// unprivileged user namespaces); Path() is empty when that is not given.
class SmallFileSystem {
public:
    // `mountPoint`: an existing empty directory to mount on.
    SmallFileSystem(const std::string& mountPoint, size_t bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    // The mounted file system's root as this process sees it, or empty.
    const std::string& Path() const { return m_path; }
    // Why it could not be had.
    const std::string& Why() const { return m_why; }

private:
    pid_t m_helper = -1;
    int m_hold = -1;
    std::string m_path;
    std::string m_why;
};

// True in a build with AddressSanitizer or ThreadSanitizer: their shadow memory reserves
// terabytes of address space, so an address-space limit cannot be set there.
constexpr bool ShadowMemorySanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

// The address space the process has mapped now (VmSize), in bytes; 0 when unknown.
size_t MappedBytes();

// While it lives, the process may map only `headroom` bytes beyond what it maps now:
// larger allocations fail (std::bad_alloc, a failed mmap, a thread that cannot start)
// for every thread of the process. Not in a ShadowMemorySanitizer() build.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(size_t headroom);
    ~AddressSpaceLimit();
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

    // False when the limit could not be set.
    bool Ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
};
