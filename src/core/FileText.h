// FileText: the text of a log too large to keep in memory, read from its file when asked.
//
// The log's lines stay in the file; the line store keeps where each one lies. The file is
// read through a descriptor held for the object's life, so a rename over the path (a
// rotation, our own safe save) or its deletion leaves it on the bytes that were indexed.
// Nothing is mapped: a file truncated under a mapping would kill the program.
//
// Each thread reads through a few windows of its own (thread-local), so painting rereads
// nothing while the user scrolls, a jump reads little, and a scan that walks a run of
// lines reads the file in large sequential blocks; threads that share a scan never
// wait for each other. A text handed out stays valid until the same thread has asked for
// kWindows - 1 further windows, so two texts may be held and compared at once.
//
// Every text read is checked against what the index expects of it: the line's bytes hold
// no line feed, and its separator (LF or CR LF) follows where the index says. A file that
// is shorter than the index or fails a check was changed by another program: from then on
// every text reads as empty (never as the wrong bytes), and Changed() says so, for the
// view to tell the user once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

// A file descriptor, closed with its owner.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() { Reset(); }
    FileHandle(FileHandle&& other) noexcept : m_fd(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_fd = other.Release();
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset();

private:
    int m_fd = -1;
};

class FileText {
public:
    // Windows each thread keeps, and the bytes of one: far more than a line (the reader
    // cuts lines into pieces of at most a kilobyte).
    static constexpr size_t kWindows = 4;
    static constexpr size_t kWindowBytes = 1u << 20;
    // A window read for a line away from the thread's last one.
    static constexpr size_t kSmallWindowBytes = 64u << 10;

    explicit FileText(FileHandle file);
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;

    // The `length` bytes at `offset`, followed in the file by `separator` bytes (1: LF,
    // 2: CR LF, 0: nothing known). Empty when the file no longer holds them as indexed.
    // Any thread.
    std::string_view Read(uint64_t offset, uint32_t length, uint8_t separator) const;

    // Notes that the index reaches `end`: a file found shorter than that was changed.
    void NoteIndexedEnd(uint64_t end) { m_indexedEnd.store(end, std::memory_order_relaxed); }
    // Looks at the file now, bypassing every window: its size against the index, and the
    // line at `offset` (as Read). True when it was found changed, now or before.
    bool Check(uint64_t offset, uint32_t length, uint8_t separator) const;

    // True once the file was found changed.
    bool Changed() const { return m_changed.load(std::memory_order_relaxed); }

private:
    // Reads [offset, offset + size) directly; false when the file ended first.
    bool ReadExactly(char* out, uint64_t offset, size_t size) const;
    bool Matches(std::string_view bytes, uint32_t length, uint8_t separator) const;
    void MarkChanged() const { m_changed.store(true, std::memory_order_relaxed); }

    FileHandle m_file;
    // Tells this object's windows from those of any other, past or future.
    const uint64_t m_id;
    std::atomic<uint64_t> m_indexedEnd{0};
    mutable std::atomic<bool> m_changed{false};
};

// The bytes of log text the open logs may keep in memory together: a quarter of the
// machine's memory, or QUORVIX_TEXT_BUDGET (bytes) when set.
uint64_t InMemoryTextBudget();
// Takes `bytes` of that budget when they are left; false, taking nothing, otherwise. Any
// thread.
bool TakeTextBudget(uint64_t bytes);
void GiveBackTextBudget(uint64_t bytes);
// What is left of the budget now. Any thread.
uint64_t TextBudgetLeft();

// Bytes taken of that budget, given back when the object goes unless handed on first:
// what a reader takes for text it keeps in memory travels with it to the store.
class TextBudgetShare {
public:
    TextBudgetShare() = default;
    ~TextBudgetShare() { GiveBackTextBudget(Release()); }
    TextBudgetShare(TextBudgetShare&& other) noexcept : m_bytes(other.Release()) {}
    TextBudgetShare& operator=(TextBudgetShare&& other) noexcept {
        if (this != &other) {
            GiveBackTextBudget(Release());
            m_bytes = other.Release();
        }
        return *this;
    }
    TextBudgetShare(const TextBudgetShare&) = delete;
    TextBudgetShare& operator=(const TextBudgetShare&) = delete;

    // Takes `bytes` more when they are left; false, taking nothing, otherwise.
    bool Take(uint64_t bytes) {
        if (!TakeTextBudget(bytes))
            return false;
        m_bytes += bytes;
        return true;
    }
    uint64_t Bytes() const { return m_bytes; }
    // Hands the bytes taken to the caller, who gives them back.
    uint64_t Release() {
        const uint64_t bytes = m_bytes;
        m_bytes = 0;
        return bytes;
    }

private:
    uint64_t m_bytes = 0;
};
