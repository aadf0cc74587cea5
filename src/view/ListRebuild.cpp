#include "view/ListRebuild.h"

#include <QWidget>
#include <algorithm>
#include <new>
#include <utility>

#include "core/LogViewCore.h"

namespace {

// Stored lines shown in one turn of the event loop: like the reader's batches, a few
// milliseconds of work, so input and painting get their turn between two runs.
constexpr size_t kBatch = 65536;
// What the progress dialog counts per stored line: its bound, and one step.
constexpr uint64_t kBoundPerLine = 100;
constexpr uint64_t kStepPerLine = 10;

} // namespace

CListRebuild::CListRebuild(CLogViewCore& core, QWidget* progressOwner)
    : m_core(core), m_progressOwner(progressOwner) {
    // One run a turn of the event loop, once the queue is empty.
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &CListRebuild::OnStep);
}

CListRebuild::~CListRebuild() {
    Stop();
}

void CListRebuild::Start() {
    m_pending = false;
    const LineStore& store = m_core.m_lineEntries;
    m_progress = StartProgressDialog((store.GetCount() - store.FirstLiveLine()) * kBoundPerLine,
                                     m_progressOwner ? m_progressOwner->window() : nullptr);
    m_outOfMemory = false;
    m_next = store.FirstLiveLine();
    m_running = true;
    m_core.m_holdList = true;
    m_timer.start();
}

void CListRebuild::Stop() {
    m_timer.stop();
    m_running = false;
    m_core.m_holdList = false;
    CloseProgressDialog(m_progress);
    m_progress = nullptr;
}

void CListRebuild::OnStep() {
    const size_t count = m_core.m_lineEntries.GetCount();
    const size_t n = std::min(kBatch, count - std::min(m_next, count));
    ShowLines(m_next, n);
    m_next += n;
    if (m_progress)
        m_progress->Step(n * kStepPerLine);
    if (m_outOfMemory || m_next >= count) {
        Stop();
        emit Finished(std::exchange(m_outOfMemory, false), m_core.LogList().GetCount());
    }
}

void CListRebuild::ShowLines(size_t first, size_t count) {
    const size_t stored = m_core.m_lineEntries.GetCount();
    first = std::min(first, stored);
    const size_t last = std::min(first + count, stored);
    try {
        // Room for the whole run first: then no line of it can fail but the one that gives
        // the list its numbers, and the list shows every line of the store up to where it
        // stopped, in order.
        m_core.LogList().Reserve(m_core.LogList().GetCount() + static_cast<int>(last - first));
    } catch (const std::bad_alloc&) {
        m_outOfMemory = true;
        return;
    }
    DisplayList::AppendRun run(m_core.LogList());
    try {
        m_core.OnRefillLines(first, last);
    } catch (const std::bad_alloc&) {
        // The list got its numbers of the store's lines (the first line left out) and they
        // did not fit: it keeps the lines before, in order.
        m_outOfMemory = true;
    }
}
