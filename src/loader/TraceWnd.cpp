#include "loader/TraceWnd.h"

#include <QWidget>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <system_error>

#include "loader/Messages.h"
#include "loader/ProgressDlg.h"
#include "core/BlockSupply.h"

namespace {

// Posted by the window to itself: hand the oldest pending batch to the view. Private to
// the reader window, outside the program's message table.
constexpr UINT TM_TAKE_BATCH = 0x8000 + 1;

uint64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

} // namespace

CTraceWnd::CTraceWnd(std::string path) : m_strPath(std::move(path)) {}

CTraceWnd::~CTraceWnd() {
    // OnDestroy stops and joins the reader; the base destructor could no longer reach it.
    DestroyWindow();
}

bool CTraceWnd::CreateEx(HWND parent, QWidget* progressOwner) {
    if (m_thread || !CreateHandle())
        return false;
    m_parent = parent;
    m_progressOwner = progressOwner;
    // The creation report comes before the reader's first look at the counter.
    m_nRunning.fetch_add(1);
    m_thread = std::make_unique<WorkerThread>([this](WorkerThread& thread) { ReaderThread(thread); });
    return true;
}

CProgressDlg* CTraceWnd::ProgressDialog() const {
    return m_progress.data();
}

void CTraceWnd::OnDestroy() {
    m_nRunning.fetch_sub(1);
    StopReader();
    CloseProgress();
    m_pending.clear();
}

void CTraceWnd::StopReader() {
    if (!m_thread)
        return;
    // The reader may wait in a send to this window (released by the destruction) or to
    // the progress dialog (released by the stop request); it leaves at its next test.
    m_thread->RequestStop();
    m_thread->Join();
    m_thread.reset();
    m_pFile.reset();
}

void CTraceWnd::CloseProgress() {
    if (m_progress && ::IsWindow(m_progress->GetSafeHwnd()))
        ::SendMessage(m_progress->GetSafeHwnd(), BM_CLICK, IDCANCEL, 0);
    m_progress = nullptr;
}

LRESULT CTraceWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case UM_READER_START:
        return OnReaderStart();
    case UM_READER_LINE:
        return OnReaderLine(lParam);
    case TM_TAKE_BATCH:
        TakeNextBatch();
        return 0;
    case UM_READER_END:
        return OnReaderEnd(wParam);
    default:
        return 0;
    }
}

// The reader has opened the file. The progress dialog comes up here, on the GUI thread,
// before any line: so the reader's closing click can never come before it. Returns the
// dialog's handle (0 for none) to the reader.
LRESULT CTraceWnd::OnReaderStart() {
    if (!m_progress) {
        m_progress = StartProgressDialog(FileSize(m_strPath), m_progressOwner.data());
    }
    return m_progress ? reinterpret_cast<LRESULT>(m_progress->GetSafeHwnd()) : 0;
}

// A batch arrives: take it over and let the event loop hand it on, so a batch is never
// handled inside the reader's send and the reader can read the next one meanwhile.
// Returns 1 when the batch was taken (the reader then lets go of it).
LRESULT CTraceWnd::OnReaderLine(LPARAM lParam) {
    auto* batch = reinterpret_cast<LineBatch*>(lParam);
    if (!batch || m_loadEnded)
        return 0;
    try {
        m_pending.emplace_back(batch);
        ::PostMessage(GetSafeHwnd(), TM_TAKE_BATCH, 0, 0);
    } catch (const std::bad_alloc&) {
        // Stopping the reader answers its send with 0 (not taken), so the batch stays
        // the reader's: the window must not free it too.
        if (!m_pending.empty() && m_pending.back().get() == batch) {
            m_pending.back().release();
            m_pending.pop_back();
        }
        StopForLackOfMemory();
        return 0;
    }
    m_handBack = std::move(m_spare);
    return 1;
}

void CTraceWnd::TakeNextBatch() {
    if (m_pending.empty())
        return;
    std::unique_ptr<LineBatch> batch = std::move(m_pending.front());
    m_pending.pop_front();
    // The view is looked up once per batch: its intake never destroys it, so it stays a
    // window for the whole batch and each line is a plain call.
    CWnd* view = CWnd::FromHandle(m_parent);
    if (!view)
        return; // the view is gone: the lines go with the batch
    try {
        for (LineRecord& record : batch->Records())
            view->WindowProc(UM_ADD_LINE, 0, reinterpret_cast<LPARAM>(&record));
    } catch (const std::bad_alloc&) {
        // The view keeps the lines it took (a line it could not take left no trace); the
        // rest of this batch goes with it.
        StopForLackOfMemory();
        return;
    }
    if (m_progress && ::IsWindow(m_progress->GetSafeHwnd()))
        ::SendMessage(m_progress->GetSafeHwnd(), UM_PROGRESS_STEP, static_cast<WPARAM>(batch->StepSum()), 0);
    // Fresh batches would cost the reader allocations every time.
    batch->Clear();
    m_spare = std::move(batch);
}

LRESULT CTraceWnd::OnReaderEnd(WPARAM how) {
    // Every batch came before this message; take any still waiting first, in order.
    while (!m_pending.empty())
        TakeNextBatch();
    EndLoad(how);
    return 0;
}

void CTraceWnd::StopForLackOfMemory() {
    // The reader leaves at its next look; a send it waits in returns 0 at once, and so
    // do its later ones (its closing click and its end included): this window closes
    // the dialog and ends the load itself. Joined when the window goes.
    if (m_thread)
        m_thread->RequestStop();
    m_pending.clear();
    m_spare.reset();
    EndLoad(kLoadOutOfMemory);
}

void CTraceWnd::EndLoad(WPARAM how) {
    if (m_loadEnded)
        return;
    m_loadEnded = true;
    CloseProgress();
    if (::IsWindow(m_parent))
        ::SendMessage(m_parent, UM_LOAD_DONE, how, 0);
}

void CTraceWnd::ReaderThread(WorkerThread& thread) {
    const HWND self = GetSafeHwnd();
    const HWND parent = m_parent;
    // Per line only the two flags are read: the window's destruction lowers the counter
    // and asks the thread to stop before the window is gone. The windows themselves are
    // looked up (under the registry's lock) once per batch, before it is handed over.
    const auto stopped = [&] { return thread.StopRequested() || m_nRunning.load() == 0; };
    const auto running = [&] { return !stopped() && ::IsWindow(self) && ::IsWindow(parent); };

    struct Finished {
        std::atomic<bool>& flag;
        ~Finished() { flag.store(true); }
    } finished{m_readerFinished};

    HWND progress = nullptr;
    bool completed = false;
    bool outOfMemory = false;
    std::unique_ptr<LineBatch> batch;
    // Hands the batch to the window; true when it was taken (or had nothing to take).
    const auto handOver = [&] {
        if (batch->Empty())
            return true;
        if (!running())
            return false;
        if (::SendMessage(self, UM_READER_LINE, 0, reinterpret_cast<LPARAM>(batch.get())) == 0)
            return false; // not taken: the window is going, or has no room for it
        batch.release();  // the window has it now
        return true;
    };
    try {
        auto file = std::make_unique<CLineFile>();
        if (!file->Open(m_strPath, CLineFile::modeRead | CLineFile::typeText))
            return; // nothing is sent: no line, no dialog, no end
        file->SeekToBegin();
        CLineFile* in = file.get();
        // The window owns the file; it frees it only after this thread was joined.
        m_pFile = std::move(file);
        progress = reinterpret_cast<HWND>(::SendMessage(self, UM_READER_START, 0, 0));

        // The view keeps most batches' bytes, so most batches need a new block: for a log
        // of more than a few batches a worker writes them once ahead of time, on spare
        // processor time, instead of this thread paying for every first touch of fresh
        // memory while it reads. Without a thread to be had, this one makes its own.
        std::optional<BlockSupply> blocks;
        if (in->Length() > kReadyBlocks * kBatchBytes) {
            try {
                blocks.emplace(kBatchBytes, kReadyBlocks);
            } catch (const std::system_error&) {
            }
        }
        batch = std::make_unique<LineBatch>(kBatchLines, kBatchBytes);

        std::string_view piece;
        bool more = true;
        while (more && !stopped()) {
            more = in->ReadPiece(piece);
            if (!more)
                break;
            // The step is the piece as read, its line feed included; the text goes
            // without any trailing line feed.
            const std::string_view text = piece.ends_with('\n') ? piece.substr(0, piece.size() - 1) : piece;
            if (batch->Full(text.size())) {
                if (!handOver())
                    break;
                batch = m_handBack ? std::move(m_handBack)
                                   : std::make_unique<LineBatch>(kBatchLines, kBatchBytes);
            }
            if (blocks && batch->NeedsBytes())
                batch->ProvideBytes(blocks->Take());
            batch->Add(text, piece.size());
        }
        if (!more && handOver())
            completed = true;
        in->Close();
    } catch (const CFileException&) {
        // A read error ends the load silently; the lines delivered so far stay.
    } catch (const std::bad_alloc&) {
        // Memory ran out (a block, a batch): the load ends here, not the program. The
        // block supply is gone by now, and with it the blocks it held ready.
        outOfMemory = true;
    }

    try {
        // The lines read so far still go to the view, then the end says why it came early.
        if (outOfMemory && batch)
            handOver();
        // Close this load's progress dialog, after the lines already handed over.
        if (progress && ::IsWindow(progress))
            ::SendMessage(progress, BM_CLICK, IDCANCEL, 0);
        if ((completed || outOfMemory) && ::IsWindow(self))
            ::SendMessage(self, UM_READER_END, outOfMemory ? kLoadOutOfMemory : kLoadComplete, 0);
    } catch (const std::bad_alloc&) {
        // Not even a message could be sent: the view sees the reader finished and takes
        // the load as over (CQuorvixView::IsLoading).
    }
}
