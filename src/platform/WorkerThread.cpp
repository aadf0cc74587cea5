#include "platform/WorkerThread.h"

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
