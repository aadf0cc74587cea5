#include "core/LineFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kReadBlock = 256 << 10;
constexpr size_t kMinReadBlock = 64 << 10;
// A whole piece plus its CR LF: the most a single cut needs to look at.
constexpr size_t kCutWindow = CLineFile::kMaxPiece + 2;

std::string SystemText(int osError) {
    return std::strerror(osError);
}

} // namespace

CFileException::CFileException(std::string path, int osError, const std::string& what)
    : std::runtime_error(what), m_path(std::move(path)), m_osError(osError) {}

CLineFile::CLineFile() = default;

CLineFile::CLineFile(const std::string& path, unsigned flags) {
    std::string error;
    if (!Open(path, flags, &error))
        throw CFileException(path, errno, error);
}

CLineFile::~CLineFile() {
    Close();
}

bool CLineFile::Open(const std::string& path, unsigned flags, std::string* error) {
    Close();
    (void)flags; // every file is read, in text mode
    // O_NONBLOCK: the open of a FIFO would wait for a writer, and a reader thread waiting
    // there can be neither stopped nor joined. Reads of a regular file ignore the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    int osError = errno;
    if (fd >= 0) {
        // Only a regular file is read. A directory opens for reading on Linux; refuse it
        // here, as an open would elsewhere. A FIFO, socket or device could block a read
        // forever (or never end), and a path that passed a check may have become one since.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
            ::close(fd);
            osError = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            errno = osError;
            if (error)
                *error = path + ": " + SystemText(osError);
            return false;
        }
    }
    if (fd < 0) {
        errno = osError;
        if (error)
            *error = path + ": " + SystemText(osError);
        return false;
    }
    // The file is read once from start to end: the kernel may read further ahead.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    // Its first bytes say whether it is compressed, whatever its name.
    char head[kCompressionMagicBytes];
    ssize_t got = 0;
    do {
        got = ::pread(fd, head, sizeof head, 0);
    } while (got < 0 && errno == EINTR);
    const Compression format =
        DetectCompression(std::string_view(head, got > 0 ? static_cast<size_t>(got) : 0));
    m_decoder.reset();
    m_compressed.reset();
    m_dataError.clear();
    if (format != Compression::None) {
        try {
            m_compressed = std::make_unique<FdByteSource>(fd);
            m_decoder = std::make_unique<ReadAhead>(Decompressor::Create(format, *m_compressed));
        } catch (const std::bad_alloc&) {
            m_decoder.reset();
            m_compressed.reset();
            ::close(fd);
            errno = ENOMEM;
            if (error)
                *error = path + ": " + SystemText(ENOMEM);
            return false;
        }
    }
    m_fd = fd;
    m_path = path;
    m_eof = false;
    m_pos = m_end = 0;
    m_bufferStart = 0;
    // A small file (quorvix.ini) gets a small buffer; a log gets kReadBlock. The buffer
    // only grows, and is not zero-filled: only bytes read() stored are looked at.
    const size_t wanted =
        m_decoder ? kReadBlock
                  : static_cast<size_t>(std::clamp<uint64_t>(Length() + 1, kMinReadBlock, kReadBlock));
    if (m_capacity < wanted) {
        m_buffer = std::make_unique_for_overwrite<char[]>(wanted);
        m_capacity = wanted;
    }
    return true;
}

void CLineFile::Close() {
    if (m_fd < 0)
        return;
    m_decoder.reset();
    m_compressed.reset();
    ::close(m_fd);
    m_fd = -1;
    m_pos = m_end = 0;
}

uint64_t CLineFile::Length() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

void CLineFile::SeekToBegin() {
    SeekTo(0);
}

void CLineFile::SeekTo(uint64_t offset) {
    if (m_fd < 0)
        return;
    // A compressed file starts again with a fresh decompressor, once the old one's thread
    // has stopped reading the file; it is only ever read again from its start.
    const Compression format = Format();
    if (format != Compression::None)
        offset = 0;
    m_decoder.reset();
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0)
        ThrowError(errno, "seek in");
    m_pos = m_end = 0;
    m_bufferStart = offset;
    m_eof = false;
    m_lastSize = 0;
    m_lastFinal = true;
    m_dataError.clear();
    if (format != Compression::None)
        m_decoder = std::make_unique<ReadAhead>(Decompressor::Create(format, *m_compressed));
}

void CLineFile::UnreadLastPiece() {
    // A piece that is not final holds no line feed, so its bytes were handed out as they
    // lie in the buffer, unchanged.
    if (m_lastFinal || m_lastSize > m_pos)
        return;
    m_pos -= m_lastSize;
    m_lastSize = 0;
    m_lastFinal = true;
}

void CLineFile::ThrowError(int osError, const char* action) const {
    throw CFileException(m_path, osError,
                         std::string("cannot ") + action + " " + m_path + ": " + SystemText(osError));
}

// Makes at least `wanted` unread bytes available unless the file ends first. Returns
// false when nothing is left at all.
bool CLineFile::Fill(size_t wanted) {
    if (m_end - m_pos >= wanted || m_eof)
        return m_end > m_pos;
    if (m_pos > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_pos, m_end - m_pos);
        m_bufferStart += m_pos;
        m_end -= m_pos;
        m_pos = 0;
    }
    while (m_end < wanted && !m_eof) {
        if (m_decoder) {
            // The decompressor fills what it can; 0 is the end of the text, clean or not.
            const size_t made = m_decoder->Read(m_buffer.get() + m_end, m_capacity - m_end);
            m_end += made;
            if (made == 0) {
                m_eof = true;
                if (m_decoder->OsError() != 0)
                    ThrowError(m_decoder->OsError(), "read");
                m_dataError = m_decoder->Error();
            }
            continue;
        }
        const ssize_t n = ::read(m_fd, m_buffer.get() + m_end, m_capacity - m_end);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowError(errno, "read");
        }
        if (n == 0)
            m_eof = true;
        m_end += static_cast<size_t>(n);
    }
    return m_end > m_pos;
}

CLineFile::PieceCut CLineFile::CutPiece(const char* start, size_t avail) {
    const size_t window = avail < kCutWindow ? avail : kCutWindow;
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', window));
    if (lf) {
        const size_t raw = static_cast<size_t>(lf - start); // bytes before the LF
        const size_t content = raw > 0 && lf[-1] == '\r' ? raw - 1 : raw;
        if (content <= kMaxPiece)
            return {raw + 1, content, true};
    }
    const size_t take = window < kMaxPiece ? window : kMaxPiece;
    return {take, take, false};
}

bool CLineFile::ReadPiece(std::string_view& piece) {
    piece = {};
    if (m_fd < 0)
        return false;
    if (!Fill(kCutWindow))
        return false;

    char* const start = m_buffer.get() + m_pos;
    const size_t avail = m_end - m_pos;
    const PieceCut cut = CutPiece(start, avail);
    m_pos += cut.raw;
    m_lastSize = cut.raw;
    if (cut.endsLine) {
        // The piece ends its line. A CR LF pair becomes LF in place, so the piece can still
        // be handed out without a copy.
        start[cut.text] = '\n';
        piece = std::string_view(start, cut.text + 1);
        m_lastFinal = true;
        return true;
    }
    piece = std::string_view(start, cut.text);
    // With fewer bytes than a cut looks at, more of the file could still move the cut (a
    // line feed, or the CR LF after a whole piece).
    m_lastFinal = avail >= kCutWindow;
    return true;
}

bool CLineFile::ReadLine(std::string& line) {
    line.clear();
    std::string_view piece;
    if (!ReadPiece(piece))
        return false;
    line.assign(piece);
    return true;
}

void CLineFile::AppendTextMode(std::string& out, std::string_view text) {
    size_t from = 0;
    for (;;) {
        const size_t lf = text.find('\n', from);
        if (lf == std::string_view::npos) {
            out.append(text.substr(from));
            return;
        }
        out.append(text.substr(from, lf - from));
        out.append("\r\n");
        from = lf + 1;
    }
}
