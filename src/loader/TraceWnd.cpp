#include "loader/TraceWnd.h"

#include <QMetaObject>
#include <QWidget>
#include <fcntl.h>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "core/BlockSupply.h"
#include "core/LineFile.h"
#include "core/TextSpill.h"
#include "loader/ProgressDlg.h"

namespace {

// Gives a place for batches in flight back when it goes out of scope.
class SlotBack {
public:
    explicit SlotBack(std::counting_semaphore<8>& places) : m_slots(&places) {}
    ~SlotBack() { m_slots->release(); }
    SlotBack(const SlotBack&) = delete;
    SlotBack& operator=(const SlotBack&) = delete;

private:
    std::counting_semaphore<8>* m_slots;
};

} // namespace

CTraceWnd::CTraceWnd(std::string path, LineSink& sink, const LevelSlotTable& levelSlots,
                     QWidget* progressOwner)
    : m_path(std::move(path)), m_sink(sink), m_levelSlots(levelSlots), m_progressOwner(progressOwner) {}

CTraceWnd::~CTraceWnd() {
    // The reader goes before anything it uses; calls it queued go with this object.
    StopReader();
    CloseProgressDialog(m_progress);
    delete m_returned.exchange(nullptr, std::memory_order_acq_rel);
}

bool CTraceWnd::Start() {
    if (m_thread)
        return false;
    try {
        m_thread = std::make_unique<WorkerThread>([this](WorkerThread& thread) { ReaderThread(thread); },
                                                  "quorvix-reader");
    } catch (const std::exception&) {
        // No thread to be had (std::system_error, std::bad_alloc).
        return false;
    }
    return true;
}

void CTraceWnd::StopReader() {
    if (!m_thread)
        return;
    m_thread->RequestStop();
    // A reader waiting for room to hand its next batch over wakes and sees the stop.
    m_slots.release(kBatchesInFlight);
    m_thread->Join();
    m_thread.reset();
}

CProgressDlg* CTraceWnd::ProgressDialog() const {
    return m_progress.data();
}

// The reader has opened the file. The progress dialog comes up here, on the GUI thread,
// before any line arrives.
void CTraceWnd::OnReaderStart(uint64_t fileSize, FileHandle file, Compression compression) {
    if (m_ended)
        return;
    m_compression = compression;
    m_sourceSize = fileSize;
    // A compressed log's text size is not known: the reader takes its budget as it goes.
    m_sink.OnLoadStart(compression == Compression::None ? fileSize : 0, std::move(file));
    if (!m_progress)
        m_progress = StartProgressDialog(fileSize, m_progressOwner.data());
}

void CTraceWnd::OnReaderLines(std::unique_ptr<LineBatch> batch) {
    // Taken (or dropped), the batch frees its place for the reader's next one.
    const SlotBack slotBack(m_slots);
    if (m_ended || !batch)
        return; // memory ran out before: what is not taken yet goes
    // The sink keeps the lines it took (a line it could not take left no trace); the rest
    // of this batch goes with it, and the reader stops.
    const auto stop = [this](LoadEnd how) {
        EndLoad(how);
        if (m_thread)
            m_thread->RequestStop();
        m_slots.release(kBatchesInFlight);
    };
    try {
        m_sink.OnAddLines(*batch);
    } catch (const std::bad_alloc&) {
        return stop(LoadEnd::OutOfMemory);
    } catch (const TooManyLines&) {
        return stop(LoadEnd::TooManyLines);
    }
    if (m_progress)
        m_progress->Step(batch->StepSum());
    // Fresh batches would cost the reader allocations every time.
    batch->Clear();
    delete m_returned.exchange(batch.release(), std::memory_order_acq_rel);
}

void CTraceWnd::OnReaderEnd(LoadEnd how) {
    // Every batch was queued before this call, so every one has been taken by now.
    EndLoad(how);
}

void CTraceWnd::EndLoad(LoadEnd how) {
    if (m_ended)
        return;
    m_ended = true;
    CloseProgressDialog(m_progress);
    m_progress = nullptr;
    emit LoadEnded(how);
}

template <typename F> void CTraceWnd::Post(F call) {
    auto queued = std::make_unique<ReaderCallOf<F>>(std::move(call));
    {
        std::lock_guard lock(m_callsMutex);
        m_calls.push_back(std::move(queued));
    }
    QMetaObject::invokeMethod(this, "RunReaderCall", Qt::QueuedConnection);
}

void CTraceWnd::RunReaderCall() {
    std::unique_ptr<ReaderCall> call;
    {
        std::lock_guard lock(m_callsMutex);
        if (m_calls.empty())
            return;
        call = std::move(m_calls.front());
        m_calls.pop_front();
    }
    call->Run();
}

void CTraceWnd::ReaderThread(WorkerThread& thread) {
    // A batch to fill: the one the GUI thread handed back, or a new one.
    const auto nextBatch = [this] {
        std::unique_ptr<LineBatch> batch(m_returned.exchange(nullptr, std::memory_order_acq_rel));
        return batch ? std::move(batch) : std::make_unique<LineBatch>(kBatchLines, kBatchBytes);
    };

    LoadEnd how = LoadEnd::Failed;
    std::string endReason;
    uint64_t endOffset = 0;
    std::unique_ptr<LineBatch> batch;
    // Of a compressed log: where its text goes (memory or a temporary file).
    std::optional<CompressedTextPlan> plan;
    // The store learns where the text of the batches that follow lies (a compressed log's).
    const auto handTextSource = [&](FileHandle file) {
        Post([this, taken = plan->TakeBudget(), fd = std::move(file)]() mutable {
            if (!m_ended)
                m_sink.OnTextSource(std::move(taken), std::move(fd));
        });
    };
    // Hands the batch over once there is a place for it; false when the reader was asked
    // to stop meanwhile. Throws std::bad_alloc when the call cannot be queued.
    const auto handOver = [&] {
        if (!batch || batch->Empty())
            return true;
        bool fileStarted = false;
        if (plan && !plan->BeforeHandOver(batch->BytesUsed(), fileStarted)) {
            how = LoadEnd::NoRoom;
            endReason = plan->Error();
            return false;
        }
        m_slots.acquire();
        if (thread.StopRequested())
            return false;
        try {
            Post([this, lines = std::move(batch)]() mutable { OnReaderLines(std::move(lines)); });
        } catch (...) {
            m_slots.release();
            throw;
        }
        if (fileStarted)
            handTextSource(plan->FileForStore());
        return true;
    };

    try {
        CLineFile file;
        if (!file.Open(m_path, CLineFile::modeRead | CLineFile::typeText)) {
            Post([this] { OnReaderEnd(LoadEnd::Failed); });
            return;
        }
        const Compression compression = file.Format();
        // The view may read its lines' text from the file itself (a log beyond its memory
        // budget): a descriptor of this very file goes along, so a rename over the path
        // meanwhile cannot give it another file. A compressed file's text lies in no file.
        Post([this, size = file.Length(), compression,
              fd = FileHandle(compression != Compression::None
                                  ? -1
                                  : ::fcntl(file.Descriptor(), F_DUPFD_CLOEXEC, 0))]() mutable {
            OnReaderStart(size, std::move(fd), compression);
        });
        if (compression != Compression::None) {
            plan.emplace(file.Length());
            if (plan->StartsInFile()) {
                if (!plan->StartFile()) {
                    Post([this, reason = plan->Error()] {
                        m_endReason = reason;
                        OnReaderEnd(LoadEnd::NoRoom);
                    });
                    return;
                }
                handTextSource(plan->FileForStore());
            }
        }

        // The view keeps most batches' bytes, so most batches need a new block: for a log
        // of more than a few batches a worker writes them once ahead of time, on spare
        // processor time, instead of this thread paying for every first touch of fresh
        // memory while it reads. Without a thread to be had, this one makes its own.
        std::optional<BlockSupply> blocks;
        // Lines read from a temporary file keep no batch's bytes: no blocks are needed.
        if (file.Length() > kReadyBlocks * kBatchBytes && !(plan && plan->InFile())) {
            try {
                blocks.emplace(kBatchBytes, kReadyBlocks);
            } catch (const std::system_error&) {
            }
        }
        batch = nextBatch();

        std::string_view piece;
        bool more = true;
        bool placed = true;
        // Of a compressed file, the progress steps are the compressed bytes read.
        uint64_t stepped = 0;
        while (!thread.StopRequested()) {
            uint64_t offset = file.Tell();
            more = file.ReadPiece(piece);
            if (!more)
                break;
            // The step is the piece as read, its line feed included; the text goes
            // without any trailing line feed.
            const std::string_view text = piece.ends_with('\n') ? piece.substr(0, piece.size() - 1) : piece;
            if (batch->Full(text.size())) {
                if (!handOver())
                    break;
                batch = nextBatch();
            }
            if (blocks && batch->NeedsBytes())
                batch->ProvideBytes(blocks->Take());
            uint64_t step = piece.size();
            if (plan) {
                if (!plan->Place(piece, offset, offset)) {
                    placed = false;
                    break;
                }
                step = file.CompressedBytesRead() - stepped;
                stepped += step;
            }
            // Classified here, off the GUI thread, with the view's own copy of the slots.
            batch->Add(text, step, ClassifyLine(m_levelSlots, text), offset);
        }
        if (!placed) {
            // The disk has no room for the text: the lines that have room are shown.
            batch->Clear();
            how = LoadEnd::NoRoom;
            endReason = plan->Error();
        } else if (!more && handOver()) {
            how = LoadEnd::Complete;
            if (!file.DataError().empty()) {
                how = LoadEnd::DataStopped;
                endReason = file.DataError();
                endOffset = file.DataErrorOffset();
            }
        }
        if (plan && !thread.StopRequested())
            handTextSource(FileHandle());
    } catch (const CFileException&) {
        // A read error ends the load quietly; the lines handed over so far stay.
        how = LoadEnd::Failed;
    } catch (const std::bad_alloc&) {
        // Memory ran out (a block, a batch): the load ends here, not the program. The
        // block supply is gone by now, and with it the blocks it held ready.
        how = LoadEnd::OutOfMemory;
    }

    if (thread.StopRequested())
        return; // nobody waits for the end of a load that was stopped
    // The lines read so far still go to the view, then the end says why it came early.
    if (how == LoadEnd::OutOfMemory) {
        try {
            if (!handOver())
                return;
        } catch (const std::bad_alloc&) {
        }
    }
    try {
        Post([this, how, reason = std::move(endReason), endOffset] {
            m_endReason = reason;
            m_endOffset = endOffset;
            OnReaderEnd(how);
        });
    } catch (const std::bad_alloc&) {
        // Not even a call could be queued: nothing more can be said.
    }
}
