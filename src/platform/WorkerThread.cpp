#include "platform/WorkerThread.h"

#include <algorithm>
#include <pthread.h>
#include <utility>

WorkerThread::WorkerThread(Body body)
    : m_thread([this, body = std::move(body)] {
          platform_detail::SendGate::BindToCurrentThread(&m_gate);
          // A name of its own, so profilers and debuggers tell the workers from the GUI.
          pthread_setname_np(pthread_self(), "quorvix-worker");
          body(*this);
          platform_detail::SendGate::BindToCurrentThread(nullptr);
      }) {}

WorkerThread::~WorkerThread() {
    RequestStop();
    Join();
}

void WorkerThread::RequestStop() {
    m_gate.Close();
}

bool WorkerThread::StopRequested() const {
    return m_gate.IsClosed();
}

void WorkerThread::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::vector<size_t> SplitForParallel(size_t count, size_t grain) {
    constexpr size_t kMostParts = 4;
    const size_t processors = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMostParts);
    const size_t parts = std::clamp<size_t>(count / std::max<size_t>(grain, 1), 1, processors);
    std::vector<size_t> bounds(parts + 1);
    for (size_t part = 0; part <= parts; ++part)
        bounds[part] = count * part / parts;
    return bounds;
}

void RunInParallel(size_t parts, const std::function<void(size_t part)>& work) {
    std::vector<std::unique_ptr<WorkerThread>> workers;
    for (size_t part = 1; part < parts; ++part)
        workers.push_back(std::make_unique<WorkerThread>([&work, part](WorkerThread&) { work(part); }));
    if (parts > 0)
        work(0);
    for (auto& worker : workers)
        worker->Join();
}
