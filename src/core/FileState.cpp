#include "core/FileState.h"

#include <sys/stat.h>

namespace {

std::optional<FileState> FromStat(const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        return std::nullopt;
    FileState state;
    state.device = static_cast<uint64_t>(st.st_dev);
    state.inode = static_cast<uint64_t>(st.st_ino);
    state.size = static_cast<uint64_t>(st.st_size);
    state.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return state;
}

} // namespace

std::optional<FileState> FileState::OfDescriptor(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

std::optional<FileState> FileState::OfPath(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

std::string NearestExistingFolder(const std::string& path) {
    std::string folder = path;
    for (;;) {
        const size_t slash = folder.find_last_of('/');
        if (slash == std::string::npos || slash == 0)
            return "/";
        folder.resize(slash);
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return folder;
    }
}
