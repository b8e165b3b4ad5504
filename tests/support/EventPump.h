// Waiting in tests without blocking the event loop: datagrams, timers and
// queued calls keep being delivered while a test waits for their effect.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace vxtest {

// Pumps the event loop until `done` holds; false after guardMs (a hang guard
// for a broken agent, not a timing requirement).
inline bool PumpUntil(const std::function<bool()>& done, int guardMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > guardMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Pumps the event loop for ms milliseconds, to let stray datagrams arrive.
inline void PumpFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

}  // namespace vxtest
