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

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

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

protected:
    enum class Step { Going, MemberEnd, Fault };
    explicit Decompressor(Compression format, ByteSource& source);
    // Decompresses from `in` (`inSize` bytes) into `out` (`outSize` bytes), and says how
    // many of each it used and made. `last`: the source has ended after these bytes. At a
    // fault, m_error is set.
    virtual Step Run(const uint8_t* in, size_t inSize, size_t& used, uint8_t* out, size_t outSize,
                     size_t& made, bool last) = 0;
    // Ready for the next member after MemberEnd.
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

// ReadAhead: a Decompressor run on a thread of its own, a few blocks ahead of its reader,
// so that decompressing and cutting lines overlap: on two processors a load takes about
// the longer of the two instead of their sum. Without a thread to be had it decompresses
// on the caller's thread. The object and its reader are used by one thread; the worker
// is stopped and joined before the object goes.
class ReadAhead {
public:
    // Blocks of text made ahead, and their size.
    static constexpr size_t kBlocks = 4;
    static constexpr size_t kBlockBytes = 256 << 10;

    explicit ReadAhead(std::unique_ptr<Decompressor> decoder);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    Compression Format() const { return m_format; }
    // As Decompressor's, for the text handed out so far.
    size_t Read(char* out, size_t size);
    const std::string& Error() const { return m_error; }
    int OsError() const { return m_osError; }
    uint64_t CompressedBytesRead() const { return m_compressedRead; }
    uint64_t FaultOffset() const { return m_faultOffset; }

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
        uint64_t compressedRead = 0; // of the decoder once the block was made
    };
    void Work();
    // The decoder's state at its end, taken over by the reader.
    void TakeEnd();

    const Compression m_format;
    std::unique_ptr<Decompressor> m_decoder;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Block> m_ready;                   // made, in order
    std::vector<std::unique_ptr<char[]>> m_free; // to be filled again
    bool m_ended = false;                        // the decoder returned its last bytes
    bool m_stop = false;
    bool m_outOfMemory = false; // the worker's decoder could not get memory
    // The reader's block and how far it got in it.
    Block m_current;
    size_t m_currentPos = 0;
    std::string m_error;
    int m_osError = 0;
    uint64_t m_compressedRead = 0;
    uint64_t m_faultOffset = 0;
    std::thread m_worker; // last: started once everything above exists
};
