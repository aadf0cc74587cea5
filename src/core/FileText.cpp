#include "core/FileText.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

void FileHandle::Reset() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

namespace {

std::atomic<uint64_t> g_nextFileTextId{1};
std::atomic<uint64_t> g_textBudgetTaken{0};

// One thread's window onto one file: the bytes at `start`.
struct Window {
    uint64_t owner = 0; // the FileText's id; 0: empty
    uint64_t start = 0;
    size_t size = 0;
    uint64_t used = 0; // when it was last used, on this thread's clock
    std::unique_ptr<char[]> bytes;
};

struct ThreadWindows {
    std::array<Window, FileText::kWindows> windows;
    uint64_t clock = 0;
};

thread_local ThreadWindows t_windows;

} // namespace

FileText::FileText(FileHandle file)
    : m_file(std::move(file)), m_id(g_nextFileTextId.fetch_add(1, std::memory_order_relaxed)) {}

bool FileText::ReadExactly(char* out, uint64_t offset, size_t size) const {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(m_file.Get(), out + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool FileText::Matches(std::string_view bytes, uint32_t length, uint8_t separator) const {
    // The reader cut the file at every line feed, so none lies inside a line.
    if (std::memchr(bytes.data(), '\n', length) != nullptr)
        return false;
    if (separator == 1)
        return bytes[length] == '\n';
    if (separator == 2)
        return bytes[length] == '\r' && bytes[length + 1] == '\n';
    return true;
}

std::string_view FileText::Read(uint64_t offset, uint32_t length, uint8_t separator) const {
    if (length == 0 || Changed())
        return {};
    const size_t span = size_t{length} + separator;
    ThreadWindows& mine = t_windows;
    ++mine.clock;
    Window* hit = nullptr;
    Window* oldest = &mine.windows[0];
    const Window* newestOfMine = nullptr;
    for (Window& window : mine.windows) {
        if (window.owner == m_id) {
            if (window.start <= offset && offset + span <= window.start + window.size) {
                hit = &window;
                break;
            }
            if (!newestOfMine || window.used > newestOfMine->used)
                newestOfMine = &window;
        }
        if (window.used < oldest->used)
            oldest = &window;
    }
    if (!hit) {
        hit = oldest;
        // A thread walking on from where its last window ended (a scan, Save) reads large
        // blocks; any other read (a jump, a row of the marks pane) reads a small one. A walk
        // backwards (scrolling up) gets the window that ends with the line.
        const bool walking = newestOfMine && offset >= newestOfMine->start + newestOfMine->size / 2 &&
                             offset <= newestOfMine->start + newestOfMine->size + kSmallWindowBytes;
        const size_t size = walking ? kWindowBytes : kSmallWindowBytes;
        uint64_t start = offset;
        if (newestOfMine && offset < newestOfMine->start)
            start = offset + span > size ? offset + span - size : 0;
        if (!hit->bytes)
            hit->bytes = std::make_unique_for_overwrite<char[]>(kWindowBytes);
        hit->owner = 0;
        size_t got = 0;
        while (got < size) {
            const ssize_t n =
                ::pread(m_file.Get(), hit->bytes.get() + got, size - got, static_cast<off_t>(start + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        if (start + got < offset + span) {
            // The file ends (or cannot be read) before the line does.
            MarkChanged();
            return {};
        }
        hit->owner = m_id;
        hit->start = start;
        hit->size = got;
    }
    hit->used = mine.clock;
    const std::string_view bytes(hit->bytes.get() + (offset - hit->start), span);
    if (!Matches(bytes, length, separator)) {
        MarkChanged();
        return {};
    }
    return bytes.substr(0, length);
}

bool FileText::Check(uint64_t offset, uint32_t length, uint8_t separator) const {
    if (Changed())
        return true;
    struct stat st {};
    if (::fstat(m_file.Get(), &st) != 0 ||
        static_cast<uint64_t>(st.st_size) < m_indexedEnd.load(std::memory_order_relaxed)) {
        MarkChanged();
        return true;
    }
    if (length > 0) {
        const size_t span = size_t{length} + separator;
        std::string bytes(span, '\0');
        if (!ReadExactly(bytes.data(), offset, span) || !Matches(bytes, length, separator))
            MarkChanged();
    }
    return Changed();
}

uint64_t InMemoryTextBudget() {
    if (const char* set = std::getenv("QUORVIX_TEXT_BUDGET"); set && *set) {
        char* end = nullptr;
        errno = 0;
        const unsigned long long bytes = std::strtoull(set, &end, 10);
        if (errno == 0 && end && *end == '\0')
            return bytes;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return uint64_t{1} << 30;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 4;
}

bool TakeTextBudget(uint64_t bytes) {
    const uint64_t budget = InMemoryTextBudget();
    uint64_t taken = g_textBudgetTaken.load(std::memory_order_relaxed);
    do {
        if (bytes > budget || taken > budget - bytes)
            return false;
    } while (!g_textBudgetTaken.compare_exchange_weak(taken, taken + bytes, std::memory_order_relaxed));
    return true;
}

void GiveBackTextBudget(uint64_t bytes) {
    g_textBudgetTaken.fetch_sub(bytes, std::memory_order_relaxed);
}

uint64_t TextBudgetLeft() {
    const uint64_t budget = InMemoryTextBudget();
    const uint64_t taken = g_textBudgetTaken.load(std::memory_order_relaxed);
    return taken < budget ? budget - taken : 0;
}
