#include "names/reader/MibReadProgress.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace {

qint64 CpuMs()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return qint64(used.tv_sec) * 1000 + used.tv_nsec / 1000000;
}

// The offset of an open file, as /proc/self/fdinfo/FD gives it ("pos:").
qint64 Position(const std::string& fd)
{
    std::ifstream info("/proc/self/fdinfo/" + fd);
    std::string key;
    qint64 value = 0;
    while (info >> key >> value) {
        if (key == "pos:")
            return value;
    }
    return 0;
}

}  // namespace

TProgressWatch::TProgressWatch(TReport reportProgress, std::chrono::milliseconds reportPeriod)
    : report(std::move(reportProgress)), period(reportPeriod), thread([this] { Run(); })
{
}

TProgressWatch::~TProgressWatch()
{
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

qint64 TProgressWatch::BytesRead()
{
    // libsmi opens its files itself: their offsets are in the process's
    // table of open files, which /proc lists. A descriptor closed meanwhile
    // and opened again counts only as a different figure.
    DIR* folder = opendir("/proc/self/fd");
    if (!folder)
        return 0;
    qint64 bytes = 0;
    // readdir is safe on a stream no other thread reads.
    while (const dirent* entry = readdir(folder)) {  // NOLINT(concurrency-mt-unsafe)
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != 0 || fd == dirfd(folder))
            continue;
        // Through /proc by name, never through the descriptor itself, which
        // libsmi uses on the main thread meanwhile.
        const std::string name = entry->d_name;
        struct stat status {};
        if (stat(("/proc/self/fd/" + name).c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        bytes += Position(name);
    }
    closedir(folder);
    return bytes;
}

void TProgressWatch::Run()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!wake.wait_for(lock, period, [this] { return stopping; })) {
        lock.unlock();
        report(TReadProgress{BytesRead(), objects.load(std::memory_order_relaxed), CpuMs()});
        lock.lock();
    }
}
