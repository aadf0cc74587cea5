#include "core/Decompressor.h"

#include <bzlib.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <lzma.h>
#include <new>
#include <system_error>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

namespace {

// Compressed bytes read at once: large enough that the system call costs nothing beside
// the decompression, small enough to stay in the processor's cache.
constexpr size_t kInputBlock = 256 << 10;
// The largest window a zstd frame may ask for (ZSTD_WINDOWLOG_MAX_64, which the library
// declares for static linking only).
constexpr int kZstdWindowLogMax = 31;

bool StartsWith(std::string_view head, std::initializer_list<unsigned char> magic) {
    if (head.size() < magic.size())
        return false;
    size_t i = 0;
    for (const unsigned char byte : magic) {
        if (static_cast<unsigned char>(head[i++]) != byte)
            return false;
    }
    return true;
}

// zlib and libbz2 count in unsigned int: a buffer is handed over at most that much at once.
unsigned int ClampToUInt(size_t size) {
    return size > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(size);
}

class GzipDecompressor final : public Decompressor {
public:
    GzipDecompressor(ByteSource& source) : Decompressor(Compression::Gzip, source) {
        // 16 + MAX_WBITS: a gzip header and trailer, nothing else.
        if (inflateInit2(&m_z, 16 + MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
    }
    ~GzipDecompressor() override { inflateEnd(&m_z); }

protected:
    Step Run(const uint8_t* in, size_t inSize, size_t& used, uint8_t* out, size_t outSize, size_t& made,
             bool) override {
        m_z.next_in = const_cast<Bytef*>(in);
        m_z.avail_in = ClampToUInt(inSize);
        m_z.next_out = out;
        m_z.avail_out = ClampToUInt(outSize);
        const unsigned int inGiven = m_z.avail_in;
        const unsigned int outGiven = m_z.avail_out;
        const int ret = inflate(&m_z, Z_NO_FLUSH);
        used = inGiven - m_z.avail_in;
        made = outGiven - m_z.avail_out;
        switch (ret) {
        case Z_OK:
        case Z_BUF_ERROR: // no progress: more input is needed
            return Step::Going;
        case Z_STREAM_END:
            return Step::MemberEnd;
        case Z_MEM_ERROR:
            m_error = "not enough memory to decompress";
            return Step::Fault;
        default:
            m_error = m_z.msg ? m_z.msg : zError(ret);
            return Step::Fault;
        }
    }
    void ResetStream() override { inflateReset(&m_z); }

private:
    z_stream m_z{};
};

class Bzip2Decompressor final : public Decompressor {
public:
    Bzip2Decompressor(ByteSource& source) : Decompressor(Compression::Bzip2, source) { Init(); }
    ~Bzip2Decompressor() override { BZ2_bzDecompressEnd(&m_bz); }

protected:
    Step Run(const uint8_t* in, size_t inSize, size_t& used, uint8_t* out, size_t outSize, size_t& made,
             bool) override {
        m_bz.next_in = const_cast<char*>(reinterpret_cast<const char*>(in));
        m_bz.avail_in = ClampToUInt(inSize);
        m_bz.next_out = reinterpret_cast<char*>(out);
        m_bz.avail_out = ClampToUInt(outSize);
        const unsigned int inGiven = m_bz.avail_in;
        const unsigned int outGiven = m_bz.avail_out;
        const int ret = BZ2_bzDecompress(&m_bz);
        used = inGiven - m_bz.avail_in;
        made = outGiven - m_bz.avail_out;
        switch (ret) {
        case BZ_OK:
            return Step::Going;
        case BZ_STREAM_END:
            return Step::MemberEnd;
        case BZ_DATA_ERROR:
            m_error = "data integrity error in the compressed data";
            return Step::Fault;
        case BZ_DATA_ERROR_MAGIC:
            m_error = "not bzip2 data (bad magic number)";
            return Step::Fault;
        case BZ_MEM_ERROR:
            m_error = "not enough memory to decompress";
            return Step::Fault;
        default:
            m_error = "bzip2 library error " + std::to_string(ret);
            return Step::Fault;
        }
    }
    // A stream that ended takes no more input: the next one gets a fresh state.
    void ResetStream() override {
        BZ2_bzDecompressEnd(&m_bz);
        Init();
    }

private:
    void Init() {
        m_bz = bz_stream{};
        if (BZ2_bzDecompressInit(&m_bz, 0, 0) != BZ_OK)
            throw std::bad_alloc();
    }
    bz_stream m_bz{};
};

class XzDecompressor final : public Decompressor {
public:
    XzDecompressor(ByteSource& source, uint64_t memoryLimit)
        : Decompressor(Compression::Xz, source), m_memoryLimit(memoryLimit) {
        Init();
    }
    ~XzDecompressor() override { lzma_end(&m_lzma); }

protected:
    Step Run(const uint8_t* in, size_t inSize, size_t& used, uint8_t* out, size_t outSize, size_t& made,
             bool last) override {
        m_lzma.next_in = in;
        m_lzma.avail_in = inSize;
        m_lzma.next_out = out;
        m_lzma.avail_out = outSize;
        // LZMA_CONCATENATED: the decoder itself reads stream after stream and the padding
        // between them, and knows the end only when told that the input has ended.
        const lzma_ret ret = lzma_code(&m_lzma, last ? LZMA_FINISH : LZMA_RUN);
        used = inSize - m_lzma.avail_in;
        made = outSize - m_lzma.avail_out;
        switch (ret) {
        case LZMA_OK:
        case LZMA_BUF_ERROR: // no progress: more input is needed
            return Step::Going;
        case LZMA_STREAM_END:
            return Step::MemberEnd;
        case LZMA_MEM_ERROR:
            m_error = "not enough memory to decompress";
            break;
        case LZMA_MEMLIMIT_ERROR:
            m_error = "the data needs more memory to decompress than allowed (" +
                      std::to_string(lzma_memusage(&m_lzma) >> 20) + " MiB)";
            break;
        case LZMA_FORMAT_ERROR:
            m_error = "not xz data (bad stream header)";
            break;
        case LZMA_OPTIONS_ERROR:
            m_error = "unsupported compression options";
            break;
        case LZMA_DATA_ERROR:
            m_error = "compressed data is corrupt";
            break;
        default:
            m_error = "xz library error " + std::to_string(static_cast<int>(ret));
            break;
        }
        return Step::Fault;
    }
    void ResetStream() override {
        lzma_end(&m_lzma);
        Init();
    }

private:
    void Init() {
        m_lzma = LZMA_STREAM_INIT;
        if (lzma_stream_decoder(&m_lzma, m_memoryLimit, LZMA_CONCATENATED) != LZMA_OK)
            throw std::bad_alloc();
    }
    lzma_stream m_lzma = LZMA_STREAM_INIT;
    uint64_t m_memoryLimit;
};

class ZstdDecompressor final : public Decompressor {
public:
    ZstdDecompressor(ByteSource& source, uint64_t memoryLimit)
        : Decompressor(Compression::Zstd, source), m_stream(ZSTD_createDStream()) {
        if (!m_stream)
            throw std::bad_alloc();
        // The window is the memory a frame needs: a frame asking for more than the limit
        // stops with the library's reason instead of taking it.
        int windowLog = 10;
        while (windowLog < kZstdWindowLogMax && (uint64_t{1} << (windowLog + 1)) <= memoryLimit)
            ++windowLog;
        ZSTD_DCtx_setParameter(m_stream, ZSTD_d_windowLogMax, windowLog);
    }
    ~ZstdDecompressor() override { ZSTD_freeDStream(m_stream); }

protected:
    Step Run(const uint8_t* in, size_t inSize, size_t& used, uint8_t* out, size_t outSize, size_t& made,
             bool) override {
        ZSTD_inBuffer input{in, inSize, 0};
        ZSTD_outBuffer output{out, outSize, 0};
        const size_t ret = ZSTD_decompressStream(m_stream, &output, &input);
        used = input.pos;
        made = output.pos;
        if (ZSTD_isError(ret)) {
            m_error = ZSTD_getErrorName(ret);
            return Step::Fault;
        }
        // 0: a frame ended and all of it was handed out; the next frame, if any, follows.
        return ret == 0 ? Step::MemberEnd : Step::Going;
    }
    void ResetStream() override { ZSTD_DCtx_reset(m_stream, ZSTD_reset_session_only); }

private:
    ZSTD_DStream* m_stream;
};

} // namespace

Compression DetectCompression(std::string_view head) {
    if (StartsWith(head, {0x1f, 0x8b, 0x08}))
        return Compression::Gzip;
    if (StartsWith(head, {0xfd, '7', 'z', 'X', 'Z', 0x00}))
        return Compression::Xz;
    if (StartsWith(head, {0x28, 0xb5, 0x2f, 0xfd}))
        return Compression::Zstd;
    // A skippable frame (what parallel compressors put first) opens a zstd file too.
    if (head.size() >= 4 && (static_cast<unsigned char>(head[0]) & 0xf0) == 0x50 &&
        StartsWith(head.substr(1), {0x2a, 0x4d, 0x18}))
        return Compression::Zstd;
    // "BZh" and the block size could open a line of text; the magic of the first block
    // (the digits of pi) or of the end of an empty stream (of its square root) cannot.
    if (head.size() >= 10 && StartsWith(head, {'B', 'Z', 'h'}) && head[3] >= '1' && head[3] <= '9' &&
        (StartsWith(head.substr(4), {0x31, 0x41, 0x59, 0x26, 0x53, 0x59}) ||
         StartsWith(head.substr(4), {0x17, 0x72, 0x45, 0x38, 0x50, 0x90})))
        return Compression::Bzip2;
    return Compression::None;
}

const char* CompressionName(Compression format) {
    switch (format) {
    case Compression::Gzip:
        return "gzip";
    case Compression::Bzip2:
        return "bzip2";
    case Compression::Xz:
        return "xz";
    case Compression::Zstd:
        return "zstd";
    case Compression::None:
        break;
    }
    return "";
}

ptrdiff_t FdByteSource::Read(char* out, size_t size) {
    return ::read(m_fd, out, size);
}

ptrdiff_t MemoryByteSource::Read(char* out, size_t size) {
    const size_t n = std::min(size, m_bytes.size());
    if (n > 0)
        std::memcpy(out, m_bytes.data(), n);
    m_bytes.remove_prefix(n);
    return static_cast<ptrdiff_t>(n);
}

std::unique_ptr<Decompressor> Decompressor::Create(Compression format, ByteSource& source,
                                                   uint64_t memoryLimit) {
    switch (format) {
    case Compression::Gzip:
        return std::make_unique<GzipDecompressor>(source);
    case Compression::Bzip2:
        return std::make_unique<Bzip2Decompressor>(source);
    case Compression::Xz:
        return std::make_unique<XzDecompressor>(source, memoryLimit);
    case Compression::Zstd:
        return std::make_unique<ZstdDecompressor>(source, memoryLimit);
    case Compression::None:
        break;
    }
    return nullptr;
}

Decompressor::Decompressor(Compression format, ByteSource& source)
    : m_format(format), m_source(source), m_in(std::make_unique_for_overwrite<uint8_t[]>(kInputBlock)) {}

Decompressor::~Decompressor() = default;

// Keeps the unused input and reads more behind it. False when the read failed.
bool Decompressor::FillInput() {
    if (m_inPos > 0) {
        std::memmove(m_in.get(), m_in.get() + m_inPos, m_inEnd - m_inPos);
        m_inEnd -= m_inPos;
        m_inPos = 0;
    }
    ptrdiff_t n = 0;
    do {
        n = m_source.Read(reinterpret_cast<char*>(m_in.get()) + m_inEnd, kInputBlock - m_inEnd);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        m_osError = errno != 0 ? errno : EIO;
        m_error = std::strerror(m_osError);
        return false;
    }
    if (n == 0)
        m_sourceEnded = true;
    m_inEnd += static_cast<size_t>(n);
    m_sourceBytes += static_cast<uint64_t>(n);
    return true;
}

size_t Decompressor::Read(char* out, size_t size) {
    size_t total = 0;
    while (total < size && !m_done) {
        if (m_inPos == m_inEnd && !m_sourceEnded) {
            if (!FillInput())
                m_done = true;
            continue;
        }
        const size_t available = m_inEnd - m_inPos;
        if (m_atMemberEnd) {
            // The data may end after any whole member; what follows one is the next.
            if (available == 0) {
                m_done = true;
                break;
            }
            ResetStream();
            m_atMemberEnd = false;
        }
        size_t used = 0;
        size_t made = 0;
        const Step step = Run(m_in.get() + m_inPos, available, used, reinterpret_cast<uint8_t*>(out) + total,
                              size - total, made, m_sourceEnded);
        m_inPos += used;
        total += made;
        if (step == Step::Fault) {
            m_done = true;
        } else if (step == Step::MemberEnd) {
            m_atMemberEnd = true;
        } else if (used == 0 && made == 0) {
            // The library wants more input than it was given.
            if (m_sourceEnded) {
                m_error = "unexpected end of the compressed data (the file is cut short)";
                m_done = true;
            } else if (m_inEnd - m_inPos == kInputBlock || !FillInput()) {
                if (m_error.empty())
                    m_error = "the decompressor made no progress";
                m_done = true;
            }
        }
    }
    return total;
}

ReadAhead::ReadAhead(std::unique_ptr<Decompressor> decoder)
    : m_format(decoder->Format()), m_decoder(std::move(decoder)) {
    for (size_t i = 0; i < kBlocks; ++i)
        m_free.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
    try {
        m_worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        // No thread: Read decompresses itself.
    }
}

ReadAhead::~ReadAhead() {
    if (m_worker.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_worker.join();
    }
}

void ReadAhead::Work() {
    for (;;) {
        Block block;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || !m_free.empty(); });
            if (m_stop)
                return;
            block.bytes = std::move(m_free.back());
            m_free.pop_back();
        }
        bool last = false;
        try {
            block.size = m_decoder->Read(block.bytes.get(), kBlockBytes);
            // The decoder hands out less than asked only at its end.
            last = block.size < kBlockBytes;
        } catch (const std::bad_alloc&) {
            last = true;
            m_outOfMemory = true; // read by the reader once it has seen m_ended
        }
        block.compressedRead = m_decoder->CompressedBytesRead();
        {
            std::lock_guard lock(m_mutex);
            if (block.size > 0)
                m_ready.push_back(std::move(block));
            m_ended = last;
        }
        m_changed.notify_all();
        if (last)
            return;
    }
}

void ReadAhead::TakeEnd() {
    m_error = m_decoder->Error();
    if (m_error.empty() && m_outOfMemory)
        m_error = "not enough memory to decompress";
    m_osError = m_decoder->OsError();
    m_faultOffset = m_decoder->FaultOffset();
    m_compressedRead = m_decoder->CompressedBytesRead();
}

size_t ReadAhead::Read(char* out, size_t size) {
    if (!m_worker.joinable()) {
        const size_t made = m_decoder->Read(out, size);
        m_compressedRead = m_decoder->CompressedBytesRead();
        if (made == 0)
            TakeEnd();
        return made;
    }
    size_t total = 0;
    while (total < size) {
        if (m_currentPos == m_current.size) {
            std::unique_lock lock(m_mutex);
            if (m_current.bytes) {
                m_free.push_back(std::move(m_current.bytes));
                m_current = Block{};
                m_currentPos = 0;
                m_changed.notify_all();
            }
            m_changed.wait(lock, [this] { return !m_ready.empty() || m_ended; });
            if (m_ready.empty()) {
                // The worker has made its last block and touches the decoder no more.
                lock.unlock();
                TakeEnd();
                break;
            }
            m_current = std::move(m_ready.front());
            m_ready.pop_front();
            m_compressedRead = m_current.compressedRead;
        }
        const size_t take = std::min(size - total, m_current.size - m_currentPos);
        std::memcpy(out + total, m_current.bytes.get() + m_currentPos, take);
        m_currentPos += take;
        total += take;
    }
    return total;
}
