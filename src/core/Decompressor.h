// Decompressor: the text a compressed log holds, as a stream of bytes.
//
// A compressed file is told by its magic bytes, never by its name (DetectCompression), and
// read through the library made for its format: zlib (gzip, every member of a
// multi-member file), libbz2 (every stream of a concatenated file), liblzma (xz, streams
// and padding) and libzstd (every frame, skippable ones skipped). Compressed bytes come
// from a ByteSource in large blocks and the text is handed out as it is decompressed, so
// nothing but the libraries' own state and one input block is held.
//
// Bad data ends the text where the library stopped: the bytes it made before the fault
// are handed out, then Read returns 0 and Error() says why, in the library's words, and
// FaultOffset() how far into the compressed file it got.
//
// One object is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

enum class Compression { None, Gzip, Bzip2, Xz, Zstd };

// The bytes a file must start with to be read as compressed, at most.
inline constexpr size_t kCompressionMagicBytes = 10;
// The format whose magic bytes `head` (the file's first bytes) starts with; None for
// anything else, or too few bytes to tell.
Compression DetectCompression(std::string_view head);
// The format's name as users know it: "gzip", "bzip2", "xz", "zstd" (empty for None).
const char* CompressionName(Compression format);

// Where compressed bytes come from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes into `out`: the count, 0 at the end, -1 on an error (errno set).
    virtual ptrdiff_t Read(char* out, size_t size) = 0;
};

// The bytes of a file descriptor from where it stands; the descriptor stays its owner's.
class FdByteSource final : public ByteSource {
public:
    explicit FdByteSource(int fd) : m_fd(fd) {}
    ptrdiff_t Read(char* out, size_t size) override;

private:
    int m_fd;
};

// Bytes in memory (tests, fuzzing); they must outlive the source.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::string_view bytes) : m_bytes(bytes) {}
    ptrdiff_t Read(char* out, size_t size) override;

private:
    std::string_view m_bytes;
};

class Decompressor {
public:
    // Most memory a library may take for one stream's state (a window, a dictionary); a
    // file that needs more stops with the library's reason. What xz -9 and zstd --long=31
    // make stays within it.
    static constexpr uint64_t kDefaultMemoryLimit = uint64_t{2} << 30;

    // A decompressor of `format` (not None) reading `source`, which must outlive it.
    // Throws std::bad_alloc when the library cannot have its state.
    static std::unique_ptr<Decompressor> Create(Compression format, ByteSource& source,
                                                uint64_t memoryLimit = kDefaultMemoryLimit);
    virtual ~Decompressor();
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    Compression Format() const { return m_format; }

    // Up to `size` decompressed bytes into `out`; fewer only at the end. 0 at the end of
    // the data or where it stopped early (Error() and OsError() tell which).
    size_t Read(char* out, size_t size);
    // Empty at a clean end; otherwise why the data stopped early (bad or cut-off data).
    const std::string& Error() const { return m_error; }
    // The errno of a failed read of the compressed bytes (0 when none failed); the data
    // stops there too.
    int OsError() const { return m_osError; }
    // Compressed bytes taken from the source so far (what a progress bar follows).
    uint64_t CompressedBytesRead() const { return m_sourceBytes; }
    // Compressed bytes the library has used so far: where bad data was met.
    uint64_t FaultOffset() const { return m_sourceBytes - (m_inEnd - m_inPos); }

    // Starts again from the beginning; the caller puts the source back to its start.
    void Restart();

protected:
    enum class Step { Going, MemberEnd, Fault };
    explicit Decompressor(Compression format, ByteSource& source);
    // Decompresses from `in` (`inSize` bytes) into `out` (`outSize` bytes), and says how
    // many of each it used and made. `last`: the source has ended after these bytes. At a
    // fault, m_error is set.
    virtual Step Run(const uint8_t* in, size_t inSize, size_t& used, uint8_t* out, size_t outSize,
                     size_t& made, bool last) = 0;
    // Ready for the next member after MemberEnd, or the first after Restart.
    virtual void ResetStream() = 0;

    std::string m_error;

private:
    bool FillInput();

    Compression m_format;
    ByteSource& m_source;
    std::unique_ptr<uint8_t[]> m_in;
    size_t m_inPos = 0;
    size_t m_inEnd = 0;
    uint64_t m_sourceBytes = 0;
    bool m_sourceEnded = false;
    // A member (stream, frame) just ended: the data may end here cleanly.
    bool m_atMemberEnd = false;
    bool m_done = false;
    int m_osError = 0;
};
