// CTraceWnd: the reader of one log view and its reader thread.
//
// Start() starts ReaderThread, which reads the log with CLineFile on a worker thread,
// classifies each line with the view's level slots and hands the lines to the GUI thread
// in whole batches, by queued calls that move the batch's ownership along. The load of a
// plain log of more than a few blocks shares the cutting and classifying with cutter
// threads (BlockCutter), one per processor but the GUI's, as far as whole blocks go; the
// reader thread reads the blocks, hands the batches on in file order, and cuts the rest. On the GUI
// thread each batch goes to the sink (the view's core, CLogViewCore::OnAddLines) in file
// order, and
// the end of the load is told by LoadEnded. At most kBatchesInFlight batches are handed
// over and not yet taken, so a fast reader never runs ahead of the screen, and each batch
// is an event of its own: the GUI keeps painting and answering input during a load.
//
// A followed log (SetFollow) is read on after its end: the reader stays, and each Poke
// (its CFileWatch saw the file change, or a slow look is due) makes it read what was
// added since, from where it stopped, through the same cutting, classification and
// batches as the load. A last line without its line feed yet goes as an open line and is
// read again, whole or longer, with the next lines. The file cut short or rewritten under
// the reader (FileTruncated) is read again from its start; a file that took the path's
// place is told (PathReplaced) and read only once the view says how (TakeNextFile); a
// path that names nothing any more is told once (FileDeleted).
//
// A compressed log (CLineFile tells it by its magic bytes) loads as the text it holds; the
// progress dialog follows the compressed bytes read. Its text goes to the store in memory
// within the budget, else through a private temporary file (CompressedTextPlan). Data
// that stops early ends the load with DataStopped after the lines before the fault; a
// temporary file the disk has no room for ends it with NoRoom. EndReason() says why. A
// compressed log is read once, never followed.
//
// Memory running out ends the load, never the program: a reader that cannot get memory
// hands over the lines it has and ends as at the end of the file, and a batch the core
// cannot take in (std::bad_alloc) stops the reader and drops what is not taken yet. Either
// way the progress dialog closes and LoadEnded says OutOfMemory, once; the core keeps the
// lines it took.
//
// Ownership: the log view owns the object, which lives on the GUI thread. Batches belong
// to the reader until it hands one over, then to the queued call that carries it, which
// frees it whether or not it ran. Destroying the object stops the reader within one batch
// and joins it before anything it uses is freed; calls still queued are dropped. The sink
// must outlive the object. GUI thread only, except for ReaderThread itself.
#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <string>

#include "core/Decompressor.h"
#include "core/FileState.h"
#include "core/LevelConfig.h"
#include "core/LevelMatcher.h"
#include "core/LineRecord.h"
#include "core/TextSpill.h"
#include "platform/WorkerThread.h"

class BlockSupply;
class CFileWatch;
class CLineFile;
class CProgressDlg;
class QWidget;

class CTraceWnd : public QObject {
    Q_OBJECT

public:
    // Lines and bytes of one batch: a few milliseconds of work for the GUI thread. A batch
    // of bytes is one huge page, which the view usually keeps as it is (no copy).
    static constexpr size_t kBatchLines = 65536;
    static constexpr size_t kBatchBytes = 2 * 1024 * 1024;
    // Blocks of kBatchBytes kept ready for the reader by its block supply.
    static constexpr size_t kReadyBlocks = 4;
    // Batches handed over and not yet taken, at most.
    static constexpr int kBatchesInFlight = 2;

    // How a load ended.
    enum class LoadEnd {
        Complete,     // the whole file was read
        OutOfMemory,  // memory ran out first; the lines taken stay, and no more come
        TooManyLines, // the view holds as many lines as it can; they stay, no more come
        Failed,       // the file could not be opened, or a read failed: nothing more is said
        DataStopped,  // a compressed file's data is cut short or damaged; the lines before stay
        NoRoom,       // a compressed file's text has no room on the disk; the lines before stay
    };

    // Reads `path` (bytes) into `sink`, each line classified with `levelSlots` (the view's
    // copy). A progress dialog, when the configuration asks for one, is modal over
    // `progressOwner`.
    CTraceWnd(std::string path, LineSink& sink, const LevelSlotTable& levelSlots,
              QWidget* progressOwner = nullptr);
    ~CTraceWnd() override;

    // Reads on after the end of the file as it grows (see the class comment). Before Start.
    void SetFollow(bool follow) { m_follow = follow; }
    bool Following() const { return m_follow; }
    // Starts the reader. False when it runs already or no thread could be had.
    bool Start();

    // A followed file may have changed: the reader looks at it (and at its path) again.
    void Poke();
    // The answer to PathReplaced: the rest of the file read so far is read, then `file`
    // (the one now at the path) from its start (a rotation, a file made again), or from
    // its end as `file` gives its size (the view's own save: its lines are the list's
    // already, and what was written after them is read).
    enum class NextFile { FromStart, FromEnd };
    void TakeNextFile(const FileState& file, NextFile how);

    const std::string& Path() const { return m_path; }
    // The progress dialog of this load, while it is up (tests look at it).
    CProgressDlg* ProgressDialog() const;
    // True once the load has ended, however (LoadEnded has been emitted by then).
    bool ReaderFinished() const { return m_ended; }
    // The file as the reader left it at the end of a complete load: its identity, the bytes
    // read (its size then, as far as the reader saw) and its time of last write. Nothing
    // before that, or when the load did not reach the end.
    const std::optional<FileState>& ReadState() const { return m_readState; }
    // Once the reader has opened the file: its compression (a compressed log is read
    // once, never followed as it grows).
    Compression SourceCompression() const { return m_compression; }
    bool SourceCompressed() const { return m_compression != Compression::None; }
    // After a load that ended with DataStopped or NoRoom: why (the library's or the
    // system's words); for DataStopped, where in the compressed file the library stopped,
    // and the file's size.
    const std::string& EndReason() const { return m_endReason; }
    uint64_t EndOffset() const { return m_endOffset; }
    uint64_t SourceSize() const { return m_sourceSize; }

signals:
    // Once, on the GUI thread, after every line taken.
    void LoadEnded(CTraceWnd::LoadEnd how);
    // A followed log, in order with its batches: lines were taken; the file was cut short
    // or rewritten (what follows is read from its start); the path names nothing; another
    // file is at the path (nothing of it is read until TakeNextFile); memory or the line
    // limit stopped the reading after the load (the lines taken stay).
    void LinesTaken();
    void FileTruncated();
    void FileDeleted();
    void PathReplaced(const FileState& file);
    void FollowEnded(CTraceWnd::LoadEnd how);

private:
    // A call the reader hands to the GUI thread, with what it carries (a batch).
    class ReaderCall {
    public:
        virtual ~ReaderCall() = default;
        virtual void Run() = 0;
    };
    template <typename F> class ReaderCallOf final : public ReaderCall {
    public:
        explicit ReaderCallOf(F call) : m_call(std::move(call)) {}
        void Run() override { m_call(); }

    private:
        F m_call;
    };
    // On the reader thread: queues `call` for the GUI thread, which runs it from its event
    // loop by a queued call of RunReaderCall, one call a turn, in order. The call and what
    // it carries pass through m_calls under m_callsMutex, so the hand-off is one a race
    // checker can see; Qt's own event queue synchronises where it cannot. Throws
    // std::bad_alloc when the call cannot be queued.
    template <typename F> void Post(F call);
    Q_INVOKABLE void RunReaderCall();

    void ReaderThread(WorkerThread& thread);
    // On the reader thread. A batch to fill: the one the GUI thread handed back, or a new one.
    std::unique_ptr<LineBatch> NextBatch();
    // Hands the batch over once there is a place for it; false when the reader was asked
    // to stop meanwhile. Throws std::bad_alloc when the call cannot be queued.
    bool HandOver(WorkerThread& thread);
    // Reads every piece up to the end of what `file` holds now and hands the lines over;
    // with `holdOpen`, a last piece still being written goes as the open last line and is
    // read again next time. False when the reader was asked to stop.
    bool ReadToEnd(WorkerThread& thread, CLineFile& file, bool holdOpen);
    // The load's ReadToEnd: a plain file of more than a few blocks is cut and classified on
    // the cutter threads (BlockCutter) as far as whole blocks go, the rest as ReadToEnd does.
    bool ReadLoad(WorkerThread& thread, CLineFile& file, bool holdOpen);
    // Tells the GUI thread of a file to take lines from, with the bytes it is expected to
    // bring (the budget it takes in memory).
    void PostFileStart(const CLineFile& file, uint64_t bytes, bool load);
    // A compressed log's store learns where the text of the batches that follow lies.
    void PostTextSource(FileHandle file);
    // After the load: waits for pokes and reads what changed, until asked to stop.
    void FollowFile(WorkerThread& thread, std::unique_ptr<CLineFile> file);
    // Waits for a poke; false once the reader is asked to stop.
    bool WaitForPoke(WorkerThread& thread);
    // What the reader hands over, on the GUI thread.
    void OnReaderStart(uint64_t fileSize, FileHandle file, bool load, Compression compression);
    void OnReaderLines(std::unique_ptr<LineBatch> batch);
    void OnReaderEnd(LoadEnd how, std::optional<FileState> state = std::nullopt);
    // Closes the progress dialog and emits LoadEnded, the first time only.
    void EndLoad(LoadEnd how);
    void StopReader();

    const std::string m_path;
    LineSink& m_sink;
    // The view's slots as the reader classifies with them; read only.
    const LevelSlotTable m_levelSlots;
    const LevelMatcher m_matcher{m_levelSlots};
    QPointer<QWidget> m_progressOwner;
    QPointer<CProgressDlg> m_progress;
    bool m_ended = false;                          // GUI thread only
    bool m_intakeStopped = false;                  // GUI thread only: memory or the line limit ran out
    std::optional<FileState> m_readState;          // GUI thread only
    Compression m_compression = Compression::None; // GUI thread only, like the three below
    uint64_t m_sourceSize = 0;
    std::string m_endReason;
    uint64_t m_endOffset = 0;
    bool m_follow = false;
    CFileWatch* m_watch = nullptr; // a child, while following
    // Pokes not yet seen by the reader, and the view's answer to PathReplaced.
    std::atomic<bool> m_poked{false};
    std::mutex m_answerMutex;
    std::optional<std::pair<FileState, NextFile>> m_answer;
    // The reader thread's own: the batch it fills and the blocks kept ready for the load.
    std::unique_ptr<LineBatch> m_batch;
    std::unique_ptr<BlockSupply> m_blocks;
    // Bytes the store's per-line arrays need for the lines handed over, and the bytes of
    // the blocks sent along for them (CLogViewCore takes them, see LineStore::GiveChunks).
    uint64_t m_indexNeeded = 0;
    uint64_t m_indexSent = 0;
    // Of a compressed log: where its text goes (memory or a temporary file), the
    // compressed bytes stepped so far, and why the disk took no more of it.
    std::optional<CompressedTextPlan> m_plan;
    uint64_t m_stepped = 0;
    std::string m_noRoom;
    // Free places for batches in flight: the reader takes one before it hands a batch
    // over, the GUI thread gives it back once the batch was taken (or dropped).
    std::counting_semaphore<8> m_slots{kBatchesInFlight};
    // Batches the GUI thread is done with, for the reader to fill again (a batch whose bytes
    // the view did not keep brings its block along): ownership passes through the pointers
    // (exchange), never shared. As many as may be in flight at once.
    static constexpr size_t kReturnedBatches = 8;
    std::array<std::atomic<LineBatch*>, kReturnedBatches> m_returned{};
    // Calls queued by the reader and not yet run; what is left goes with the object.
    std::mutex m_callsMutex;
    std::deque<std::unique_ptr<ReaderCall>> m_calls;
    std::unique_ptr<WorkerThread> m_thread; // last: stopped and joined first
};
