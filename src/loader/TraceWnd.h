// CTraceWnd: the reader of one log view and its reader thread.
//
// Start() starts ReaderThread, which reads the log with CLineFile on a worker thread,
// classifies each line with the view's level slots and hands the lines to the GUI thread
// in whole batches, by queued calls that move the batch's ownership along. On the GUI
// thread each batch goes to the sink (the view's core, CLogViewCore::OnAddLines) in file
// order, and
// the end of the load is told by LoadEnded. At most kBatchesInFlight batches are handed
// over and not yet taken, so a fast reader never runs ahead of the screen, and each batch
// is an event of its own: the GUI keeps painting and answering input during a load.
//
// A compressed log (CLineFile tells it by its magic bytes) loads as the text it holds; the
// progress dialog follows the compressed bytes read. Its text goes to the store in memory
// within the budget, else through a private temporary file (CompressedTextPlan). Data
// that stops early ends the load with DataStopped after the lines before the fault; a
// temporary file the disk has no room for ends it with NoRoom. EndReason() says why.
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
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>

#include "core/Decompressor.h"
#include "core/LevelConfig.h"
#include "core/LineRecord.h"
#include "platform/WorkerThread.h"

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

    // Starts the reader. False when it runs already or no thread could be had.
    bool Start();

    const std::string& Path() const { return m_path; }
    // The progress dialog of this load, while it is up (tests look at it).
    CProgressDlg* ProgressDialog() const;
    // True once the load has ended, however (LoadEnded has been emitted by then).
    bool ReaderFinished() const { return m_ended; }
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
    // What the reader hands over, on the GUI thread.
    void OnReaderStart(uint64_t fileSize, FileHandle file, Compression compression);
    void OnReaderLines(std::unique_ptr<LineBatch> batch);
    void OnReaderEnd(LoadEnd how);
    // Closes the progress dialog and emits LoadEnded, the first time only.
    void EndLoad(LoadEnd how);
    void StopReader();

    const std::string m_path;
    LineSink& m_sink;
    // The view's slots as the reader classifies with them; read only.
    const LevelSlotTable m_levelSlots;
    QPointer<QWidget> m_progressOwner;
    QPointer<CProgressDlg> m_progress;
    bool m_ended = false;                          // GUI thread only
    Compression m_compression = Compression::None; // GUI thread only, like the three below
    uint64_t m_sourceSize = 0;
    std::string m_endReason;
    uint64_t m_endOffset = 0;
    // Free places for batches in flight: the reader takes one before it hands a batch
    // over, the GUI thread gives it back once the batch was taken (or dropped).
    std::counting_semaphore<8> m_slots{kBatchesInFlight};
    // A batch the GUI thread is done with, for the reader to fill again: ownership passes
    // through the pointer (exchange), never shared.
    std::atomic<LineBatch*> m_returned{nullptr};
    // Calls queued by the reader and not yet run; what is left goes with the object.
    std::mutex m_callsMutex;
    std::deque<std::unique_ptr<ReaderCall>> m_calls;
    std::unique_ptr<WorkerThread> m_thread; // last: stopped and joined first
};
