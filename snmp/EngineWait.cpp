#include "snmp/EngineWait.h"

#include "snmp/UdpEndpoint.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace vxsnmp {

namespace {

// The wait looks at its deadline at least this often.
constexpr int kWaitSliceMs = 50;

}  // namespace

void TAnswerWait::Push(std::chrono::milliseconds timeout)
{
    if (waiting)
        deadline = TClock::now() + timeout;
}

bool TAnswerWait::Run(const TUdpEndpoint& endpoint, std::chrono::milliseconds timeout,
                      const std::function<bool()>& cutShort, const std::function<void()>& receive)
{
    waiting = true;
    deadline = TClock::now() + timeout;
    const bool useEvents =
        endpoint.HasNotifier() && QAbstractEventDispatcher::instance(QThread::currentThread()) != nullptr;
    QTimer slice;
    if (useEvents)
        slice.start(kWaitSliceMs);  // wakes the wait below at least every slice
    while (waiting) {
        if (TClock::now() >= deadline || cutShort())
            break;
        if (useEvents) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        } else if (endpoint.WaitReadable(kWaitSliceMs)) {
            receive();
        }
    }
    if (!waiting)
        return true;
    waiting = false;
    return false;
}

}  // namespace vxsnmp
