#include "core/TextSpill.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Writes of the file: a few system calls a batch of the reader.
constexpr size_t kWriteBlock = 1 << 20;

std::string Reason(int osError) {
    return std::strerror(osError);
}

// Makes `path` (mode 0700) unless it is there; true when it is a folder now.
bool MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An unlinked file in `folder`, or -1 with errno set.
int OpenUnlinked(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    // A file system without O_TMPFILE: a file of a name of its own, unlinked at once.
    std::string pattern = folder + "/text-XXXXXX";
    const int named = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(pattern.c_str());
    return named;
}

} // namespace

TextSpill::TextSpill(uint64_t keepFree) : m_keepFree(keepFree) {}

std::string TextSpill::ChooseFolder() {
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/')
        cache = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        cache = std::string(home) + "/.cache";
    if (!cache.empty() && MakeFolder(cache) && MakeFolder(cache + "/quorvix") &&
        ::access((cache + "/quorvix").c_str(), W_OK | X_OK) == 0)
        return cache + "/quorvix";
    std::error_code ignored;
    const std::string temp = std::filesystem::temp_directory_path(ignored).string();
    return temp.empty() ? "/tmp" : temp;
}

bool TextSpill::CheckSpace(uint64_t more, std::string& error) {
    struct statvfs fs {};
    if (::fstatvfs(m_file.Get(), &fs) != 0) {
        error = "cannot tell the free space in " + m_folder + ": " + Reason(errno);
        return false;
    }
    const uint64_t free = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
    if (free < m_keepFree + more) {
        error = "the text would fill the disk of " + m_folder + " (" + std::to_string(free >> 20) +
                " MiB free, " + std::to_string(m_size >> 20) + " MiB of text kept there)";
        return false;
    }
    m_nextCheck = m_written + std::min(kSpaceCheckBytes, (free - m_keepFree) / 2);
    return true;
}

bool TextSpill::Create(std::string& error) {
    m_folder = ChooseFolder();
    const int fd = OpenUnlinked(m_folder);
    if (fd < 0) {
        error = "cannot make a temporary file in " + m_folder + ": " + Reason(errno);
        return false;
    }
    m_file = FileHandle(fd);
    m_buffer = std::make_unique_for_overwrite<char[]>(kWriteBlock);
    return CheckSpace(0, error);
}

bool TextSpill::Append(std::string_view bytes, std::string& error) {
    if (m_failed)
        return false;
    while (!bytes.empty()) {
        if (m_buffered == kWriteBlock && !Flush(error))
            return false;
        const size_t take = std::min(bytes.size(), kWriteBlock - m_buffered);
        std::memcpy(m_buffer.get() + m_buffered, bytes.data(), take);
        m_buffered += take;
        m_size += take;
        bytes.remove_prefix(take);
    }
    return true;
}

bool TextSpill::Flush(std::string& error) {
    if (m_failed)
        return false;
    if (m_buffered == 0)
        return true;
    // Checked before the write that would cross the next mark: the mark comes closer as
    // the disk fills, so no write takes what must stay free.
    if (m_written + m_buffered >= m_nextCheck && !CheckSpace(m_buffered, error)) {
        m_failed = true;
        return false;
    }
    size_t done = 0;
    while (done < m_buffered) {
        const ssize_t n = ::write(m_file.Get(), m_buffer.get() + done, m_buffered - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "cannot write the temporary file in " + m_folder + ": " + Reason(n < 0 ? errno : ENOSPC);
            m_failed = true;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    m_written += m_buffered;
    m_buffered = 0;
    return true;
}

FileHandle TextSpill::Duplicate() const {
    return FileHandle(m_file.IsOpen() ? ::fcntl(m_file.Get(), F_DUPFD_CLOEXEC, 0) : -1);
}

CompressedTextPlan::CompressedTextPlan(uint64_t compressedBytes, uint64_t keepFree)
    : m_keepFree(keepFree), m_startInFile(compressedBytes > TextBudgetLeft() / kExpansion) {}

bool CompressedTextPlan::StartFile() {
    auto spill = std::make_unique<TextSpill>(m_keepFree);
    if (!spill->Create(m_error))
        return false;
    m_spill = std::move(spill);
    return true;
}

bool CompressedTextPlan::Place(std::string_view piece, uint64_t textOffset, uint64_t& offset) {
    if (!m_spill) {
        offset = textOffset;
        return true;
    }
    offset = m_spill->Size();
    return m_spill->Append(piece, m_error);
}

bool CompressedTextPlan::BeforeHandOver(uint64_t bytes, bool& started) {
    started = false;
    if (m_spill)
        return m_spill->Flush(m_error);
    if (m_budget.Take(bytes))
        return true;
    if (!StartFile())
        return false;
    started = true;
    return true;
}
