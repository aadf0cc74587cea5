#include "core/SafeSave.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Written ranges are handed to the disk in steps of kWritebackStep, and a range that
// lies kWritebackLag behind the writing is waited for and dropped from the cache. The
// disk works while the rest is formatted and written, the final sync has little left
// to do (a 1 GB save ends about a tenth sooner than with one sync at the end), and dirty
// pages never pile up beyond the lag.
constexpr uint64_t kWritebackStep = 8u << 20;
constexpr uint64_t kWritebackLag = 64u << 20;

// Links followed before the target counts as a loop, as the kernel counts them.
constexpr int kMaxLinks = 40;

// The new file's name is the target's with a prefix and a suffix; a long target name is
// cut for it, so the name stays within the file system's limit.
constexpr size_t kMaxBaseInTemporary = 200;
constexpr int kCreateAttempts = 100;

// The directory part of `path` ("." when there is none) and the name after it.
std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows `path` while it is a symbolic link. `st` gets what is there; false with the
// errno when the chain cannot be followed. A chain that ends at nothing gives that path
// with `exists` false: saving creates the file the link names, and the link stays.
bool ResolveLinks(std::string path, std::string& resolved, struct stat& st, bool& exists, int& error) {
    for (int hop = 0;; ++hop) {
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                error = errno;
                return false;
            }
            exists = false;
            resolved = std::move(path);
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            resolved = std::move(path);
            return true;
        }
        if (hop == kMaxLinks) {
            error = ELOOP;
            return false;
        }
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        for (;;) {
            const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
            if (n < 0) {
                error = errno;
                return false;
            }
            if (static_cast<size_t>(n) < link.size()) {
                link.resize(static_cast<size_t>(n));
                break;
            }
            link.resize(link.size() * 2); // the link changed since lstat
        }
        if (link.empty()) {
            error = ENOENT;
            return false;
        }
        path = link.front() == '/' ? link : DirectoryOf(path) + "/" + link;
    }
}

// Six characters that differ from one call to the next and between processes.
std::string UniqueSuffix() {
    static std::atomic<uint64_t> counter{0};
    uint64_t x = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    x ^= static_cast<uint64_t>(::getpid()) << 32;
    x += counter.fetch_add(1, std::memory_order_relaxed) * 0x9e3779b97f4a7c15ull;
    // A 64-bit mix (splitmix64's finaliser), so neighbouring inputs give unrelated names.
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    x ^= x >> 31;
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        suffix.push_back(kDigits[x % 36]);
        x /= 36;
    }
    return suffix;
}

// Hints the kernel may not support on this file system; anything else is an I/O error
// that must fail the save (the kernel reports it only once).
bool IsUnsupported(int error) {
    return error == EINVAL || error == ESPIPE || error == ENOSYS || error == EOPNOTSUPP;
}

} // namespace

SafeSave::SafeSave() : m_writebackStep(kWritebackStep), m_writebackLag(kWritebackLag) {}

SafeSave::~SafeSave() {
    Discard();
}

std::string SafeSave::ErrorText() const {
    return m_error ? std::strerror(m_error) : std::string();
}

bool SafeSave::Fail(int error) {
    m_error = error;
    Discard();
    return false;
}

void SafeSave::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

bool SafeSave::Open(const std::string& path) {
    Discard();
    m_error = 0;
    m_written = m_started = m_settled = 0;
    m_writebackHints = true;
    m_target.clear();
    if (path.empty())
        return Fail(ENOENT);
    if (path.back() == '/')
        return Fail(EISDIR);

    struct stat st {};
    bool exists = false;
    int error = 0;
    if (!ResolveLinks(path, m_target, st, exists, error))
        return Fail(error);
    if (exists) {
        if (S_ISDIR(st.st_mode))
            return Fail(EISDIR);
        // A FIFO or device is not replaced by a file, nor written to (that could block
        // or never end).
        if (!S_ISREG(st.st_mode))
            return Fail(EINVAL);
        // A write-protected file is not replaced behind its owner's back, though the
        // directory would allow it.
        if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail(errno);
    }

    std::string base = NameOf(m_target);
    if (base.size() > kMaxBaseInTemporary)
        base.resize(kMaxBaseInTemporary);
    const std::string prefix = DirectoryOf(m_target) + "/." + base + ".save-";
    // A new file gets the usual mode less the umask; a replaced one is private until it
    // gets the target's mode below.
    const mode_t mode = exists ? 0600 : 0666;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::string candidate = prefix + UniqueSuffix();
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = std::move(candidate);
            break;
        }
        if (errno != EEXIST)
            return Fail(errno);
    }
    if (m_fd < 0)
        return Fail(EEXIST);

    if (exists) {
        // Owner first: a change of owner clears set-id bits that the mode then restores.
        // Either may be refused (not privileged, a file system without modes); the
        // content is what counts.
        struct stat mine {};
        if (::fstat(m_fd, &mine) == 0 && (mine.st_uid != st.st_uid || mine.st_gid != st.st_gid)) {
            if (::fchown(m_fd, st.st_uid, st.st_gid) != 0) {
                // Not ours to give away; the file stays this process's.
            }
        }
        ::fchmod(m_fd, st.st_mode & 07777);
    }
    return true;
}

bool SafeSave::Write(const char* data, size_t size) {
    if (m_fd < 0)
        return m_error ? false : Fail(EBADF);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        if (n == 0)
            return Fail(EIO);
        data += n;
        size -= static_cast<size_t>(n);
        m_written += static_cast<uint64_t>(n);
    }
    return StartWriteback();
}

bool SafeSave::StartWriteback() {
    if (!m_writebackHints || m_written - m_started < m_writebackStep)
        return true;
    const auto off = [](uint64_t at) { return static_cast<off_t>(at); };
    if (::sync_file_range(m_fd, off(m_started), off(m_written - m_started), SYNC_FILE_RANGE_WRITE) != 0) {
        if (!IsUnsupported(errno))
            return Fail(errno);
        m_writebackHints = false;
        return true;
    }
    m_started = m_written;
    if (m_started - m_settled <= m_writebackLag)
        return true;
    const uint64_t end = m_started - m_writebackLag;
    if (::sync_file_range(m_fd, off(m_settled), off(end - m_settled),
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) !=
        0) {
        if (!IsUnsupported(errno))
            return Fail(errno);
        m_writebackHints = false;
        return true;
    }
    // Clean pages of a file just written are rarely read again soon; leaving them would
    // push more useful ones out.
    ::posix_fadvise(m_fd, off(m_settled), off(end - m_settled), POSIX_FADV_DONTNEED);
    m_settled = end;
    return true;
}

bool SafeSave::Commit() {
    if (m_fd < 0)
        return m_error ? false : Fail(EBADF);
    // The data reaches the disk before the name does: after a crash the target holds
    // either its old bytes or all the new ones, never an empty or partial file.
    if (::fdatasync(m_fd) != 0)
        return Fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return Fail(errno);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        return Fail(errno);
    m_temporary.clear();
    // Make the rename itself durable. Some file systems refuse to sync a directory; the
    // file is in place either way.
    const int dir = ::open(DirectoryOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
