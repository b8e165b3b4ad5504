#include "BlockWatch.h"

#include <algorithm>

#include <sys/resource.h>

namespace bench {
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TBlockWatch::TBlockWatch()
{
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [this] {
        const qint64 now = clock.nsecsElapsed();
        if (lastNs >= 0)
            longestMs = std::max(longestMs, static_cast<double>(now - lastNs) / 1e6);
        lastNs = now;
    });
}

void TBlockWatch::Start(int periodMs)
{
    clock.start();
    lastNs = -1;
    beat.start(periodMs);
}

}  // namespace bench
