// The decompressing reader on arbitrary bytes. The input is read as a compressed file (its
// magic bytes pick the library, as they do for a log); each run stops after kMaxText bytes
// of text and the libraries get at most kMemoryLimit for a window or dictionary, so a
// run stays small however the input claims to expand. Checked: the text, and whether it
// stopped at a fault, do not depend on how large the reads are, and the fault lies within
// the input.
//
// An input that starts with a NUL byte is plain text instead: it is compressed by each
// library and must read back exactly.

#include "FuzzSupport.h"

#include "core/Decompressor.h"
#include "support/Compress.h"

namespace {

constexpr size_t kMaxText = 4 << 20;
constexpr uint64_t kMemoryLimit = 64 << 20;

struct Outcome {
    std::string text;
    std::string error;
    uint64_t faultOffset = 0;
};

// Reads `input` as `format` in reads of `chunk` bytes (the reader's buffer as it empties).
Outcome ReadAll(Compression format, std::string_view input, size_t chunk) {
    MemoryByteSource source(input);
    const std::unique_ptr<Decompressor> reader = Decompressor::Create(format, source, kMemoryLimit);
    Outcome outcome;
    std::string buffer(chunk, '\0');
    while (outcome.text.size() < kMaxText) {
        const size_t got = reader->Read(buffer.data(), chunk);
        FUZZ_CHECK(got <= chunk);
        if (got == 0)
            break;
        outcome.text.append(buffer, 0, got);
    }
    FUZZ_CHECK(reader->OsError() == 0);
    FUZZ_CHECK(reader->CompressedBytesRead() <= input.size());
    FUZZ_CHECK(reader->FaultOffset() <= reader->CompressedBytesRead());
    outcome.error = reader->Error();
    outcome.faultOffset = reader->FaultOffset();
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = fuzz::AsText(data, size);
    if (!bytes.empty() && bytes[0] == '\0') {
        const std::string_view text = bytes.substr(1);
        for (const Compression format :
             {Compression::Gzip, Compression::Bzip2, Compression::Xz, Compression::Zstd}) {
            const std::string packed = Compress(format, text);
            FUZZ_CHECK(DetectCompression(packed) == format);
            const Outcome read = ReadAll(format, packed, 4096);
            FUZZ_CHECK(read.error.empty());
            FUZZ_CHECK(read.text == text);
        }
        return 0;
    }
    const Compression format = DetectCompression(bytes.substr(0, kCompressionMagicBytes));
    if (format == Compression::None)
        return 0;
    const Outcome whole = ReadAll(format, bytes, 256 << 10);
    const Outcome small = ReadAll(format, bytes, 1 + size % 1024);
    // The same text as far as both got. How much of a damaged block a library hands out
    // before it finds the damage depends on the room it was given, so only data without a
    // fault must read to the same end.
    const size_t common = std::min(whole.text.size(), small.text.size());
    FUZZ_CHECK(whole.text.compare(0, common, small.text, 0, common) == 0);
    FUZZ_CHECK(whole.error.empty() == small.error.empty() || whole.text.size() >= kMaxText ||
               small.text.size() >= kMaxText);
    if (whole.error.empty() && small.error.empty() && whole.text.size() < kMaxText &&
        small.text.size() < kMaxText)
        FUZZ_CHECK(whole.text == small.text);
    return 0;
}
