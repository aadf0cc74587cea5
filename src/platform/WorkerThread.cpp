#include "platform/WorkerThread.h"

#include <pthread.h>
#include <utility>

WorkerThread::WorkerThread(Body body, const char* name)
    : m_thread([this, name, body = std::move(body)] {
          pthread_setname_np(pthread_self(), name);
          body(*this);
      }) {}

WorkerThread::~WorkerThread() {
    RequestStop();
    Join();
}

void WorkerThread::Join() {
    if (m_thread.joinable())
        m_thread.join();
}
