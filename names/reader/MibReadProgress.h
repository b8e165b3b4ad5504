// The MIB reader's account of its progress while libsmi reads one module:
// a large module takes libsmi seconds, with nothing to say until it is read.
// A thread of its own looks, every period, how far the files the process has
// open have been read and how many objects the walk has handed on, and
// reports both with the CPU time the process has used. A libsmi that loops
// moves neither figure while its CPU time grows; the loader stops it on that.
#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

struct TReadProgress {
    qint64 bytesRead = 0;  // the read offsets of the open regular files, summed
    qint64 objects = 0;    // the objects walked so far
    qint64 cpuMs = 0;      // the CPU time of the process so far
};

class TProgressWatch {
public:
    using TReport = std::function<void(const TReadProgress&)>;

    // Reports every period until destroyed; report runs on the watch's thread.
    TProgressWatch(TReport report, std::chrono::milliseconds period);
    ~TProgressWatch();
    TProgressWatch(const TProgressWatch&) = delete;
    TProgressWatch& operator=(const TProgressWatch&) = delete;

    void CountObject() { objects.fetch_add(1, std::memory_order_relaxed); }

    // How far the files open in this process have been read.
    static qint64 BytesRead();

private:
    void Run();

    TReport report;
    std::chrono::milliseconds period;
    std::atomic<qint64> objects{0};
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;  // under mutex
    std::thread thread;     // last: started once the rest is there
};
