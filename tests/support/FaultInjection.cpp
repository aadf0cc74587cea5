#include "support/FaultInjection.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_savedHandler);
}

namespace {

// The capabilities that let root past file permissions. All are below 32, so they live
// in the first word of the capability sets.
constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool ThreadCapabilities(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool SetThreadCapabilities(__user_cap_data_struct (&data)[2]) {
    // pid 0: the calling thread only.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

PermissionsHold::PermissionsHold() {
    __user_cap_data_struct data[2]{};
    if (!ThreadCapabilities(data))
        return;
    m_savedEffective[0] = data[0].effective;
    m_savedEffective[1] = data[1].effective;
    if ((data[0].effective & kOverrides) == 0) {
        m_ok = true;
        return;
    }
    data[0].effective &= ~kOverrides;
    m_ok = m_dropped = SetThreadCapabilities(data);
}

PermissionsHold::~PermissionsHold() {
    if (!m_dropped)
        return;
    __user_cap_data_struct data[2]{};
    if (!ThreadCapabilities(data))
        return;
    data[0].effective = m_savedEffective[0];
    data[1].effective = m_savedEffective[1];
    SetThreadCapabilities(data);
}

bool MayWrite(const std::string& dir) {
    const std::string probe = dir + "/.may-write-probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool MayRead(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

namespace {

// Writes `text` to a /proc file of the calling process; async-signal-safe.
bool WriteProcFile(const char* path, const char* text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const size_t length = std::strlen(text);
    const bool ok = ::write(fd, text, length) == static_cast<ssize_t>(length);
    ::close(fd);
    return ok;
}

// "0 <id> 1": the namespace's root is `id` outside.
void IdMapLine(char (&line)[32], unsigned id) {
    char digits[16];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + id % 10);
        id /= 10;
    } while (id > 0);
    int at = 0;
    line[at++] = '0';
    line[at++] = ' ';
    while (n > 0)
        line[at++] = digits[--n];
    line[at++] = ' ';
    line[at++] = '1';
    line[at] = '\0';
}

// The helper's side, in the child of a fork of a threaded process: system calls only.
[[noreturn]] void RunHelper(const char* mountPoint, const char* options, int status, int hold) {
    // Keep no other descriptor of the parent's alive (a pipe's end, say).
    for (int fd = 3; fd < 4096; ++fd) {
        if (fd != status && fd != hold)
            ::close(fd);
    }
    int error = 0;
    if (::unshare(CLONE_NEWNS) != 0) {
        // Without privileges: a user namespace of our own first, with ourselves as its root.
        char uidMap[32];
        char gidMap[32];
        IdMapLine(uidMap, ::getuid());
        IdMapLine(gidMap, ::getgid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !WriteProcFile("/proc/self/setgroups", "deny") ||
            !WriteProcFile("/proc/self/uid_map", uidMap) || !WriteProcFile("/proc/self/gid_map", gidMap))
            error = errno ? errno : EPERM;
    }
    // Private, so the mount below stays in this namespace.
    if (error == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        error = errno;
    if (error == 0 && ::mount("tmpfs", mountPoint, "tmpfs", MS_NOSUID | MS_NODEV, options) != 0)
        error = errno;
    if (::write(status, &error, sizeof error) != static_cast<ssize_t>(sizeof error))
        ::_exit(1);
    // Until the parent closes its end.
    char byte;
    while (::read(hold, &byte, 1) < 0 && errno == EINTR) {
    }
    ::_exit(0);
}

} // namespace

SmallFileSystem::SmallFileSystem(const std::string& mountPoint, size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    int status[2];
    int hold[2];
    if (::pipe2(status, O_CLOEXEC) != 0) {
        m_why = std::strerror(errno);
        return;
    }
    if (::pipe2(hold, O_CLOEXEC) != 0) {
        m_why = std::strerror(errno);
        ::close(status[0]);
        ::close(status[1]);
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0)
        RunHelper(mountPoint.c_str(), options.c_str(), status[1], hold[0]);
    ::close(status[1]);
    ::close(hold[0]);
    if (pid < 0) {
        m_why = std::strerror(errno);
        ::close(status[0]);
        ::close(hold[1]);
        return;
    }
    m_helper = pid;
    m_hold = hold[1];
    int error = 0;
    ssize_t n;
    while ((n = ::read(status[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(status[0]);
    if (n != static_cast<ssize_t>(sizeof error))
        m_why = "the helper process ended early";
    else if (error != 0)
        m_why = std::string("cannot mount a tmpfs in a namespace of our own: ") + std::strerror(error);
    else
        m_path = "/proc/" + std::to_string(pid) + "/root" + mountPoint;
}

SmallFileSystem::~SmallFileSystem() {
    if (m_hold >= 0)
        ::close(m_hold);
    if (m_helper > 0) {
        while (::waitpid(m_helper, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

size_t MappedBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmSize:") {
            size_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

AddressSpaceLimit::AddressSpaceLimit(size_t headroom) {
    const size_t mapped = MappedBytes();
    if (mapped == 0 || ::getrlimit(RLIMIT_AS, &m_saved) != 0)
        return;
    rlimit limit = m_saved;
    limit.rlim_cur = mapped + headroom;
    if (m_saved.rlim_max != RLIM_INFINITY && limit.rlim_cur > m_saved.rlim_max)
        limit.rlim_cur = m_saved.rlim_max;
    m_ok = ::setrlimit(RLIMIT_AS, &limit) == 0;
}

AddressSpaceLimit::~AddressSpaceLimit() {
    if (m_ok)
        ::setrlimit(RLIMIT_AS, &m_saved);
}
