#include "view/FileProbe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/QtText.h"

namespace {

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

FileProbe ProbeFile(const QString& path, FileProbe::Access access) {
    FileProbe probe;
    const std::string bytes = PathToBytes(path);
    struct stat st {};
    if (bytes.empty() || ::stat(bytes.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return probe;
    probe.regular = true;
    probe.size = static_cast<int64_t>(st.st_size);
    if (access == FileProbe::Access::Read) {
        const int fd = ::open(bytes.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            probe.refusal = SystemReason(errno);
        else
            ::close(fd);
    } else if (access == FileProbe::Access::Write && ::access(bytes.c_str(), W_OK) != 0) {
        probe.refusal = SystemReason(errno);
    }
    return probe;
}
