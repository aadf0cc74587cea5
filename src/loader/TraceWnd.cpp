#include "loader/TraceWnd.h"

#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <fcntl.h>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

#include "core/BlockCutter.h"
#include "core/BlockSupply.h"
#include "core/LineFile.h"
#include "core/LineStore.h"
#include "loader/FileWatch.h"
#include "loader/ProgressDlg.h"
#include "platform/QtText.h"

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
    for (std::atomic<LineBatch*>& returned : m_returned)
        delete returned.exchange(nullptr, std::memory_order_acq_rel);
}

bool CTraceWnd::Start() {
    if (m_thread)
        return false;
    // Watched from the start, so that what is written during the load is read after it.
    if (m_follow && !m_watch) {
        m_watch = new CFileWatch(PathFromBytes(m_path), this);
        connect(m_watch, &CFileWatch::Changed, this, &CTraceWnd::Poke);
    }
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
    // A reader waiting for a poke wakes and sees the stop.
    Poke();
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
void CTraceWnd::OnReaderStart(uint64_t fileSize, FileHandle file, bool load, Compression compression) {
    if (m_intakeStopped || (load && m_ended))
        return;
    if (load) {
        m_compression = compression;
        m_sourceSize = fileSize;
    }
    // A compressed log's text size is not known: the reader takes its budget as it goes.
    m_sink.OnLoadStart(compression == Compression::None ? fileSize : 0, std::move(file));
    if (load && !m_progress)
        m_progress = StartProgressDialog(fileSize, m_progressOwner.data());
}

void CTraceWnd::OnReaderLines(std::unique_ptr<LineBatch> batch) {
    // Taken (or dropped), the batch frees its place for the reader's next one.
    const SlotBack slotBack(m_slots);
    if (m_intakeStopped || !batch)
        return; // memory ran out before: what is not taken yet goes
    // The sink keeps the lines it took (a line it could not take left no trace); the rest
    // of this batch goes with it, and the reader stops.
    const auto stop = [this](LoadEnd how) {
        m_intakeStopped = true;
        if (m_ended)
            emit FollowEnded(how);
        EndLoad(how);
        if (m_thread)
            m_thread->RequestStop();
        m_slots.release(kBatchesInFlight);
        Poke();
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
    for (std::atomic<LineBatch*>& returned : m_returned) {
        LineBatch* empty = nullptr;
        if (returned.compare_exchange_strong(empty, batch.get(), std::memory_order_acq_rel)) {
            batch.release();
            break;
        }
    }
    emit LinesTaken();
}

void CTraceWnd::OnReaderEnd(LoadEnd how, std::optional<FileState> state) {
    // Every batch was queued before this call, so every one has been taken by now.
    if (!m_ended)
        m_readState = state;
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

std::unique_ptr<LineBatch> CTraceWnd::NextBatch() {
    for (std::atomic<LineBatch*>& returned : m_returned) {
        if (LineBatch* batch = returned.exchange(nullptr, std::memory_order_acq_rel))
            return std::unique_ptr<LineBatch>(batch);
    }
    // Its records are reserved here, on the reader thread: a cutter thread that allocates
    // gets an allocation arena of its own, address space a log near the memory limit may
    // not have to spare.
    auto batch = std::make_unique<LineBatch>(kBatchLines, kBatchBytes);
    batch->Records().reserve(kBatchLines);
    return batch;
}

bool CTraceWnd::HandOver(WorkerThread& thread) {
    if (!m_batch || m_batch->Empty())
        return true;
    bool fileStarted = false;
    if (m_plan && !m_plan->BeforeHandOver(m_batch->BytesUsed(), fileStarted)) {
        m_noRoom = m_plan->Error();
        return false;
    }
    if (m_blocks) {
        // Blocks of the supply, written once on spare processor time, go along for the
        // store's per-line arrays, a block ahead of their need.
        static_assert(kBatchBytes >= ChunkedVector<uint32_t>::kChunkBytes);
        m_indexNeeded += m_batch->Count() * LineStore::kIndexBytesPerLine;
        for (; m_indexSent < m_indexNeeded + kBatchBytes; m_indexSent += kBatchBytes)
            m_batch->AddChunk(m_blocks->Take());
    }
    m_slots.acquire();
    if (thread.StopRequested())
        return false;
    try {
        Post([this, lines = std::move(m_batch)]() mutable { OnReaderLines(std::move(lines)); });
    } catch (...) {
        m_slots.release();
        throw;
    }
    if (fileStarted)
        PostTextSource(m_plan->FileForStore());
    return true;
}

void CTraceWnd::PostTextSource(FileHandle file) {
    Post([this, taken = m_plan->TakeBudget(), fd = std::move(file)]() mutable {
        if (!m_ended)
            m_sink.OnTextSource(std::move(taken), std::move(fd));
    });
}

bool CTraceWnd::ReadToEnd(WorkerThread& thread, CLineFile& file, bool holdOpen) {
    std::string_view piece;
    while (!thread.StopRequested()) {
        if (!m_batch)
            m_batch = NextBatch();
        const uint64_t offset = file.Tell();
        if (!file.ReadPiece(piece))
            return HandOver(thread);
        // The step is the piece as read, its line feed included; the text goes without
        // any trailing line feed.
        const std::string_view text = piece.ends_with('\n') ? piece.substr(0, piece.size() - 1) : piece;
        if (m_batch->Full(text.size())) {
            if (!HandOver(thread))
                return false;
            m_batch = NextBatch();
        }
        if (m_blocks && m_batch->NeedsBytes())
            m_batch->ProvideBytes(m_blocks->Take());
        uint64_t step = piece.size();
        uint64_t at = offset;
        if (m_plan) {
            // A compressed log's text goes where the plan keeps it; its progress steps are
            // the compressed bytes read.
            if (!m_plan->Place(piece, offset, at)) {
                m_noRoom = m_plan->Error();
                return false;
            }
            step = file.CompressedBytesRead() - m_stepped;
            m_stepped += step;
        }
        // Classified here, off the GUI thread, with the view's own copy of the slots.
        m_batch->Add(text, step, m_matcher.Classify(text), at);
        if (holdOpen && !file.LastPieceFinal()) {
            // A line still being written: shown as far as it goes, read again next time.
            m_batch->MarkLastLineOpen();
            file.UnreadLastPiece();
            return HandOver(thread);
        }
    }
    return false;
}

bool CTraceWnd::ReadLoad(WorkerThread& thread, CLineFile& file, bool holdOpen) {
    if (file.IsCompressed() || file.Length() <= kReadyBlocks * kBatchBytes)
        return ReadToEnd(thread, file, holdOpen);
    std::optional<BlockCutter> cutter;
    try {
        cutter.emplace(m_matcher, BlockCutter::CuttersFor(std::thread::hardware_concurrency()), kBatchLines,
                       kBatchBytes, kBatchBytes);
    } catch (const std::system_error&) {
        // No thread to be had: this one reads the whole file.
        return ReadToEnd(thread, file, holdOpen);
    }
    const BlockCutter::Hooks hooks{
        [this] {
            std::unique_ptr<LineBatch> batch = NextBatch();
            if (m_blocks && batch->NeedsBytes())
                batch->ProvideBytes(m_blocks->Take());
            return batch;
        },
        [this, &thread](std::unique_ptr<LineBatch> batch) {
            m_batch = std::move(batch);
            return HandOver(thread);
        },
        [&thread] { return thread.StopRequested(); },
    };
    const uint64_t end = cutter->Run(file.Descriptor(), 0, hooks);
    cutter.reset();
    if (thread.StopRequested())
        return false;
    // The end of the file as the cutters saw it (a last line without its line feed, lines
    // written since): read here, where a line still being written is held open.
    file.SeekTo(end);
    return ReadToEnd(thread, file, holdOpen);
}

void CTraceWnd::PostFileStart(const CLineFile& file, uint64_t bytes, bool load) {
    // The view may read its lines' text from the file itself (a log beyond its memory
    // budget): a descriptor of this very file goes along, so a rename over the path
    // meanwhile cannot give it another file. A compressed file's text lies in no file.
    const Compression compression = file.Format();
    Post([this, bytes, load, compression,
          fd = FileHandle(compression != Compression::None
                              ? -1
                              : ::fcntl(file.Descriptor(), F_DUPFD_CLOEXEC, 0))]() mutable {
        OnReaderStart(bytes, std::move(fd), load, compression);
    });
}

void CTraceWnd::ReaderThread(WorkerThread& thread) {
    LoadEnd how = LoadEnd::Failed;
    std::optional<FileState> endState;
    std::string endReason;
    uint64_t endOffset = 0;
    auto file = std::make_unique<CLineFile>();
    bool compressed = false;
    try {
        if (!file->Open(m_path, CLineFile::modeRead | CLineFile::typeText)) {
            Post([this] { OnReaderEnd(LoadEnd::Failed); });
            return;
        }
        PostFileStart(*file, file->Length(), true);
        compressed = file->Format() != Compression::None;
        if (compressed) {
            m_plan.emplace(file->Length());
            if (m_plan->StartsInFile()) {
                if (!m_plan->StartFile()) {
                    Post([this, reason = m_plan->Error()] {
                        m_endReason = reason;
                        OnReaderEnd(LoadEnd::NoRoom);
                    });
                    return;
                }
                PostTextSource(m_plan->FileForStore());
            }
        }

        // The view keeps most batches' bytes, so most batches need a new block: for a log
        // of more than a few batches a worker writes them once ahead of time, on spare
        // processor time, instead of this thread paying for every first touch of fresh
        // memory while it reads. Without a thread to be had, this one makes its own.
        // Lines read from a temporary file keep no batch's bytes: no blocks are needed.
        if (file->Length() > kReadyBlocks * kBatchBytes && !(m_plan && m_plan->InFile())) {
            try {
                m_blocks = std::make_unique<BlockSupply>(kBatchBytes, kReadyBlocks);
            } catch (const std::system_error&) {
            }
        }
        if (ReadLoad(thread, *file, m_follow && !compressed)) {
            how = LoadEnd::Complete;
            // What was read is what the file held at its end: a writer's bytes that came
            // after make the file differ from this state.
            endState = FileState::OfDescriptor(file->Descriptor());
            if (endState)
                endState->size = file->BytesRead();
            if (!file->DataError().empty()) {
                how = LoadEnd::DataStopped;
                endReason = file->DataError();
                endOffset = file->DataErrorOffset();
            }
        } else if (!m_noRoom.empty()) {
            // The disk has no room for the text: the lines that have room are shown.
            if (m_batch)
                m_batch->Clear();
            how = LoadEnd::NoRoom;
            endReason = m_noRoom;
        }
        if (m_plan && !thread.StopRequested())
            PostTextSource(FileHandle());
    } catch (const CFileException&) {
        // A read error ends the load quietly; the lines handed over so far stay.
        how = LoadEnd::Failed;
    } catch (const std::bad_alloc&) {
        // Memory ran out (a block, a batch): the load ends here, not the program.
        how = LoadEnd::OutOfMemory;
    }
    // The blocks held ready are for a load's large reads only.
    m_blocks.reset();

    if (thread.StopRequested())
        return; // nobody waits for the end of a load that was stopped
    // The lines read so far still go to the view, then the end says why it came early.
    if (how == LoadEnd::OutOfMemory) {
        try {
            if (!HandOver(thread))
                return;
        } catch (const std::bad_alloc&) {
        }
    }
    try {
        Post([this, how, endState, reason = std::move(endReason), endOffset] {
            m_endReason = reason;
            m_endOffset = endOffset;
            OnReaderEnd(how, endState);
        });
    } catch (const std::bad_alloc&) {
        // Not even a call could be queued: nothing more can be said.
        return;
    }
    // A compressed log is read once.
    if (how == LoadEnd::Complete && m_follow && !compressed)
        FollowFile(thread, std::move(file));
}

bool CTraceWnd::WaitForPoke(WorkerThread& thread) {
    while (!m_poked.exchange(false, std::memory_order_acq_rel)) {
        if (thread.StopRequested())
            return false;
        m_poked.wait(false, std::memory_order_acquire);
    }
    return !thread.StopRequested();
}

namespace {

// The bytes just before `end` in `fd` (at most a few dozen): a file rewritten under the
// reader rarely keeps them.
std::string TailBefore(int fd, uint64_t end) {
    constexpr uint64_t kTail = 64;
    const uint64_t from = end > kTail ? end - kTail : 0;
    std::string bytes(end - from, '\0');
    const ssize_t n = bytes.empty() ? 0 : ::pread(fd, bytes.data(), bytes.size(), static_cast<off_t>(from));
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
}

// Whether the open file no longer has a name anywhere (it was deleted).
bool Unlinked(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_nlink == 0;
}

} // namespace

void CTraceWnd::FollowFile(WorkerThread& thread, std::unique_ptr<CLineFile> file) {
    std::optional<FileState> current = FileState::OfDescriptor(file->Descriptor());
    if (!current)
        return;
    std::string tail = TailBefore(file->Descriptor(), file->Tell());
    bool toldMissing = false;
    std::optional<FileState> asked; // the file at the path the view was told of
    // The view's answer about it, kept until that file could be opened.
    std::optional<std::pair<FileState, NextFile>> answer;
    try {
        while (WaitForPoke(thread)) {
            // The view's answer about the file now at the path: the rest of the old file
            // first, its last line whole, then the new one from where the view says.
            {
                std::lock_guard lock(m_answerMutex);
                if (m_answer)
                    answer = std::exchange(m_answer, std::nullopt);
            }
            if (answer) {
                file->Resume();
                if (!ReadToEnd(thread, *file, false))
                    return;
                const auto [wanted, how] = *answer;
                auto next = std::make_unique<CLineFile>();
                const std::optional<FileState> state = next->Open(m_path, CLineFile::modeRead)
                                                           ? FileState::OfDescriptor(next->Descriptor())
                                                           : std::nullopt;
                if (state && state->SameFile(wanted)) {
                    answer.reset();
                    asked.reset();
                    // From the end the view knows it by (the size it saved): what was written
                    // to it since is read.
                    const bool fromEnd = how == NextFile::FromEnd;
                    if (fromEnd)
                        next->SeekTo(std::min(wanted.size, state->size));
                    PostFileStart(*next, fromEnd ? 0 : state->size, false);
                    file = std::move(next);
                    current = state;
                    toldMissing = false;
                    if (!ReadToEnd(thread, *file, true))
                        return;
                    tail = TailBefore(file->Descriptor(), file->Tell());
                } else if (const std::optional<FileState> there = FileState::OfPath(m_path);
                           !there || !there->SameFile(wanted)) {
                    // Another file (or none) at the path meanwhile: asked about anew below.
                    answer.reset();
                    asked.reset();
                }
                // Otherwise that file cannot be opened yet (its permissions): it is tried
                // again at the next look, without asking the view again.
            }

            // The file read so far: grown, or cut short or rewritten under the reader.
            if (const std::optional<FileState> now = FileState::OfDescriptor(file->Descriptor())) {
                if (now->size < file->BytesRead() || TailBefore(file->Descriptor(), file->Tell()) != tail) {
                    Post([this] { emit FileTruncated(); });
                    file->SeekToBegin();
                    PostFileStart(*file, now->size, false);
                    if (!ReadToEnd(thread, *file, true))
                        return;
                    tail = TailBefore(file->Descriptor(), file->Tell());
                } else if (now->size > file->BytesRead()) {
                    file->Resume();
                    if (!ReadToEnd(thread, *file, true))
                        return;
                    tail = TailBefore(file->Descriptor(), file->Tell());
                }
            }

            // The path: gone, or naming another file than the one read. A file renamed away
            // (a rotation, its successor not made yet) is not a deleted one: it still has a
            // name.
            const std::optional<FileState> there = FileState::OfPath(m_path);
            if (!there) {
                if (!toldMissing && Unlinked(file->Descriptor()))
                    Post([this] { emit FileDeleted(); });
                toldMissing = toldMissing || Unlinked(file->Descriptor());
            } else if (there->SameFile(*current)) {
                toldMissing = false;
            } else if (!asked || !asked->SameFile(*there)) {
                asked = there;
                Post([this, state = *there] { emit PathReplaced(state); });
            }
        }
    } catch (const CFileException&) {
        // A read error ends the following quietly; the lines taken stay.
    } catch (const std::bad_alloc&) {
        try {
            if (HandOver(thread))
                Post([this] { emit FollowEnded(LoadEnd::OutOfMemory); });
        } catch (const std::bad_alloc&) {
        }
    }
}

void CTraceWnd::Poke() {
    m_poked.store(true, std::memory_order_release);
    m_poked.notify_one();
}

void CTraceWnd::TakeNextFile(const FileState& file, NextFile how) {
    {
        std::lock_guard lock(m_answerMutex);
        m_answer.emplace(file, how);
    }
    Poke();
}
