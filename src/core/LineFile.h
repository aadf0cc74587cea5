// CLineFile: a text file read the way the original platform's text mode did.
//
// Reading turns each CR LF pair into LF and hands out a line in pieces of at most
// kMaxPiece (1023) bytes, the line feed kept at the end of the piece that ends the line.
// The file is read in large blocks; a piece is cut from the block without a system call.
// Writing (text mode turns each LF into CR LF) is AppendTextMode's, for the saves.
//
// A compressed file (gzip, bzip2, xz, zstd, told by its magic bytes whatever its name) is
// read as the text it holds, through a Decompressor: offsets (Tell) are then offsets in
// that text, Length() stays the compressed file's size, and CompressedBytesRead() says how
// far into it the reading got. Data that stops early ends the text there, as the end of
// the file would; DataError() then says why.
//
// One object is used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/Decompressor.h"

// A failed open or read: the path, the operating system's error number and its text.
class CFileException : public std::runtime_error {
public:
    CFileException(std::string path, int osError, const std::string& what);
    const std::string& Path() const { return m_path; }
    int OsError() const { return m_osError; }

private:
    std::string m_path;
    int m_osError;
};

class CLineFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0,
        typeText = 0x4000, // accepted for the familiar spelling; every CLineFile is text
    };

    // Longest piece ReadLine hands out, the line feed not counted.
    static constexpr size_t kMaxPiece = 1023;

    CLineFile();
    // Opens `path`; throws CFileException when it cannot.
    CLineFile(const std::string& path, unsigned flags);
    ~CLineFile();
    CLineFile(const CLineFile&) = delete;
    CLineFile& operator=(const CLineFile&) = delete;

    // Opens `path`; on failure returns false and, if `error` is given, stores why. For
    // reading, only a regular file opens, and the open never waits (as it would on a FIFO).
    bool Open(const std::string& path, unsigned flags, std::string* error = nullptr);
    bool IsOpen() const { return m_fd >= 0; }
    void Close();
    const std::string& Path() const { return m_path; }

    // Size of the open file in bytes, from the file system (0 when unknown).
    uint64_t Length() const;
    // Back to the start of a file open for reading.
    void SeekToBegin();
    // Where in the file the next piece starts.
    uint64_t Tell() const { return m_bufferStart + m_pos; }
    // How far into the file reading has gone (pieces not handed out yet included).
    uint64_t BytesRead() const { return m_bufferStart + m_end; }
    // The open file's descriptor (-1 when closed); the object keeps it.
    int Descriptor() const { return m_fd; }

    // The format of a compressed file (None for a plain one). A compressed file's text
    // lies in no file: nothing can be read again from the descriptor at an offset.
    Compression Format() const { return m_decoder ? m_decoder->Format() : Compression::None; }
    bool IsCompressed() const { return m_decoder != nullptr; }
    // Bytes of the file itself read so far (of a plain file, as many as Tell's text).
    uint64_t CompressedBytesRead() const {
        return m_decoder ? m_decoder->CompressedBytesRead() : m_bufferStart + m_end;
    }
    // Once ReadPiece has returned false: why a compressed file's text stopped before its
    // end (cut off or damaged data, in the library's words); empty after a clean end.
    const std::string& DataError() const { return m_dataError; }
    // Where in the compressed file that happened.
    uint64_t DataErrorOffset() const { return m_decoder ? m_decoder->FaultOffset() : 0; }

    // Reads the next piece into `line`, its line feed kept when the piece ends a line.
    // Returns false at end of file. Throws CFileException on a read error.
    //
    // A line of more than kMaxPiece bytes comes in pieces of kMaxPiece bytes and a last,
    // shorter one. A piece of exactly kMaxPiece bytes that ends its line carries the line
    // feed itself, so no empty line follows it.
    bool ReadLine(std::string& line);

    // The same piece without a copy: `piece` points into the file's buffer and stays
    // valid until the next read or the file is closed.
    bool ReadPiece(std::string_view& piece);

    // Reading a file that is still being written. The last piece read is final when it is
    // cut where it would be cut with more of the file after it: it ends its line, or
    // enough bytes followed it to decide. One that is not final lies at the end of what the
    // file held and may still grow (a line being written): UnreadLastPiece puts it back, so
    // the next read starts with it again. Resume lets reading go on past an end of file met
    // before (the file grew); SeekTo moves to `offset` of the file.
    bool LastPieceFinal() const { return m_lastFinal; }
    void UnreadLastPiece();
    void Resume() { m_eof = false; }
    void SeekTo(uint64_t offset);

    // How a piece is cut from `avail` bytes at `start` (at most kMaxPiece + 2 of them are
    // looked at): `raw` bytes of the file go, `text` of them are the piece's text (its CR LF
    // or LF not counted), and `endsLine` when the piece ends its line. Cut from the same
    // bytes, the same pieces come out whatever thread cuts them and wherever the file's
    // reads ended, as long as each cut sees kMaxPiece + 2 bytes or the end of its line.
    struct PieceCut {
        size_t raw;
        size_t text;
        bool endsLine;
    };
    static PieceCut CutPiece(const char* start, size_t avail);

    // The bytes text mode writes for `text`, appended to `out`.
    static void AppendTextMode(std::string& out, std::string_view text);

private:
    bool Fill(size_t wanted);
    void ThrowError(int osError, const char* action) const;

    int m_fd = -1;
    bool m_eof = false;
    // Of a compressed file: the file's bytes and what turns them into text.
    std::unique_ptr<FdByteSource> m_compressed;
    std::unique_ptr<ReadAhead> m_decoder;
    std::string m_dataError;
    std::string m_path;
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity = 0;
    size_t m_pos = 0;
    size_t m_end = 0;
    uint64_t m_bufferStart = 0; // the file offset of m_buffer[0]
    size_t m_lastSize = 0;      // bytes the last piece took from the buffer
    bool m_lastFinal = true;
};
