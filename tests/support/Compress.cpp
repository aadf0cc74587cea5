#include "support/Compress.h"

#include <bzlib.h>
#include <lzma.h>
#include <stdexcept>
#include <zlib.h>
#include <zstd.h>

namespace {

std::string Gzip(std::string_view text) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int ret = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (ret != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

std::string Bzip2(std::string_view text) {
    auto size = static_cast<unsigned int>(text.size() + text.size() / 100 + 600);
    std::string out(size, '\0');
    if (BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(text.data()),
                                 static_cast<unsigned int>(text.size()), 9, 0, 0) != BZ_OK)
        throw std::runtime_error("BZ2_bzBuffToBuffCompress");
    out.resize(size);
    return out;
}

std::string Xz(std::string_view text) {
    std::string out(lzma_stream_buffer_bound(text.size()), '\0');
    size_t size = 0;
    if (lzma_easy_buffer_encode(LZMA_PRESET_DEFAULT, LZMA_CHECK_CRC64, nullptr,
                                reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                reinterpret_cast<uint8_t*>(out.data()), &size, out.size()) != LZMA_OK)
        throw std::runtime_error("lzma_easy_buffer_encode");
    out.resize(size);
    return out;
}

std::string Zstd(std::string_view text) {
    // With the checksum of the whole frame, as the zstd program writes it.
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    std::string out(ZSTD_compressBound(text.size()), '\0');
    const size_t size = ZSTD_compress2(context, out.data(), out.size(), text.data(), text.size());
    ZSTD_freeCCtx(context);
    if (ZSTD_isError(size))
        throw std::runtime_error("ZSTD_compress");
    out.resize(size);
    return out;
}

} // namespace

std::string Compress(Compression format, std::string_view text) {
    switch (format) {
    case Compression::Gzip:
        return Gzip(text);
    case Compression::Bzip2:
        return Bzip2(text);
    case Compression::Xz:
        return Xz(text);
    case Compression::Zstd:
        return Zstd(text);
    case Compression::None:
        break;
    }
    return std::string(text);
}

const char* CompressionSuffix(Compression format) {
    switch (format) {
    case Compression::Gzip:
        return ".gz";
    case Compression::Bzip2:
        return ".bz2";
    case Compression::Xz:
        return ".xz";
    case Compression::Zstd:
        return ".zst";
    case Compression::None:
        break;
    }
    return "";
}
