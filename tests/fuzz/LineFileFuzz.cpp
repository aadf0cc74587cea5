// CLineFile's reader on arbitrary files, piece by piece against the rule worked out the
// slow way: text mode turns each CR LF into LF (a lone CR stays), then every line is cut
// into pieces of kMaxPiece bytes and a shorter last one, the line feed going with the last
// piece; a line of a multiple of kMaxPiece bytes therefore has no empty piece after it.
//
// An input that starts with a NUL byte is read behind about a megabyte of filler lines,
// so that its bytes come in across the edge of the reader's 1 MiB block (the buffer of a
// smaller file holds all of it); the byte after the NUL sets the filler's length, which
// moves the edge through the input. A small input is also read as it would be while another
// program writes it, in parts.

#include "FuzzSupport.h"

#include "core/LineFile.h"

namespace {

constexpr size_t kMaxPiece = CLineFile::kMaxPiece;

// The bytes with every CR that precedes an LF dropped.
std::string TextMode(std::string_view bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
            text += bytes[i];
    }
    return text;
}

std::vector<std::string> ExpectedPieces(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < text.size()) {
        const size_t lf = text.find('\n', start);
        const bool ended = lf != std::string::npos;
        size_t left = (ended ? lf : text.size()) - start;
        for (;;) {
            const bool last = left <= kMaxPiece;
            const size_t take = last ? left : kMaxPiece;
            pieces.push_back(text.substr(start, take) + (last && ended ? "\n" : ""));
            start += take;
            left -= take;
            if (last)
                break;
        }
        if (ended)
            ++start;
    }
    return pieces;
}

// Lines of 1000 bytes and their line feed, cut to `size` bytes ending in a line feed.
std::string_view Filler(size_t size) {
    static const std::string lines = [] {
        std::string all;
        while (all.size() < (3u << 20) / 2)
            all += std::string(1000, 'f') + '\n';
        return all;
    }();
    static std::string filler;
    filler.assign(lines, 0, size - 1);
    filler += '\n';
    return filler;
}

void CheckPieces(CLineFile& file, std::string_view filler, std::string_view text,
                 const std::vector<std::string>& expected) {
    std::string_view piece;
    for (size_t at = 0; at < filler.size();) {
        FUZZ_CHECK(file.ReadPiece(piece));
        const size_t end = filler.find('\n', at) + 1;
        FUZZ_CHECK(piece == filler.substr(at, end - at));
        at = end;
    }
    // Besides matching the model piece for piece, the pieces must put the text back
    // together, each at most kMaxPiece bytes and a line feed, which only ends a piece.
    std::string joined;
    for (const std::string& want : expected) {
        FUZZ_CHECK(file.ReadPiece(piece));
        const size_t lf = piece.find('\n');
        FUZZ_CHECK(!piece.empty() && (lf == std::string_view::npos || lf + 1 == piece.size()));
        FUZZ_CHECK(piece.size() - (lf == std::string_view::npos ? 0 : 1) <= kMaxPiece);
        joined += piece;
        FUZZ_CHECK(piece == want);
    }
    FUZZ_CHECK(joined == text);
    FUZZ_CHECK(!file.ReadPiece(piece));
    FUZZ_CHECK(piece.empty());
    FUZZ_CHECK(!file.ReadPiece(piece)); // end of file stays the end
}

// The same bytes arriving in parts, read as a followed log is: a piece that is not final is
// put back and read again once more of the file has come, and the pieces come out exactly
// as a read of the whole file gives them. The input's own bytes choose where it is cut.
void CheckGrowing(std::string_view bytes, const std::vector<std::string>& expected) {
    static fuzz::InputFile growing;
    static CLineFile file;
    size_t written = std::min<size_t>(bytes.size(), 1 + static_cast<unsigned char>(bytes[0]) % 7);
    FUZZ_CHECK(file.Open(growing.Write({bytes.substr(0, written)}), CLineFile::modeRead));
    std::vector<std::string> pieces;
    std::string_view piece;
    for (size_t step = 1;; ++step) {
        while (file.ReadPiece(piece)) {
            if (!file.LastPieceFinal() && written < bytes.size()) {
                file.UnreadLastPiece();
                break;
            }
            pieces.emplace_back(piece);
        }
        if (written == bytes.size())
            break;
        const auto cut = static_cast<unsigned char>(bytes[(written * 31) % bytes.size()]);
        written = std::min(bytes.size(), written + 1 + (step * 37 + cut * 13) % 1500);
        growing.Write({bytes.substr(0, written)});
        file.Resume();
    }
    FUZZ_CHECK(pieces == expected);
    file.Close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile input;
    // One object for every input, as a reader reopened for the next file would be.
    static CLineFile file;

    std::string_view bytes = fuzz::AsText(data, size);
    std::string_view filler;
    if (bytes.size() >= 2 && bytes[0] == '\0') {
        filler = Filler((1u << 20) - 2048 + 16 * static_cast<unsigned char>(bytes[1]));
        bytes.remove_prefix(2);
    }
    FUZZ_CHECK(file.Open(input.Write({filler, bytes}), CLineFile::modeRead | CLineFile::typeText));
    FUZZ_CHECK(file.Length() == filler.size() + bytes.size());

    const std::string text = TextMode(bytes);
    const std::vector<std::string> expected = ExpectedPieces(text);
    CheckPieces(file, filler, text, expected);

    // ReadLine hands out the same pieces, and reading again from the start gives them again.
    file.SeekToBegin();
    std::string line;
    if (filler.empty()) {
        for (const std::string& want : expected) {
            FUZZ_CHECK(file.ReadLine(line));
            FUZZ_CHECK(line == want);
        }
        FUZZ_CHECK(!file.ReadLine(line) && line.empty());
    } else {
        CheckPieces(file, filler, text, expected);
    }
    file.Close();
    if (filler.empty() && !bytes.empty())
        CheckGrowing(bytes, expected);
    return 0;
}
