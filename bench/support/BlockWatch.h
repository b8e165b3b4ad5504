// What the benches measure inside their process: its CPU clock and a
// heartbeat that finds the event loop's longest block.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

namespace bench {

// User plus system CPU time of this process, in seconds.
double CpuSeconds();

// A precise timer, 10 ms unless told; the longest gap between its beats is
// the longest time the event loop was blocked while it ran.
class TBlockWatch {
public:
    TBlockWatch();
    void Start(int periodMs = 10);
    void Stop() { beat.stop(); }
    [[nodiscard]] double LongestGapMs() const { return longestMs; }

private:
    QTimer beat;
    QElapsedTimer clock;
    qint64 lastNs = -1;
    double longestMs = 0;
};

}  // namespace bench
