// TQueuedHandOver<T>: hands values from worker threads to the thread that
// created the hand-over, queued: Post() keeps the value and queues a
// delivery; there `receive` gets each value, in the order posted.
//
// The values are kept under a lock of ours, and the delivery is queued while
// the lock is held; the receiving thread takes the lock before it reads.
// So everything a worker did before Post() is ordered before what the
// receiver does with the value by our own lock, which ThreadSanitizer sees,
// and not only by the locks inside Qt's event queue, which it does not (Qt
// is not built with it). The queued call names its method, so Qt makes and
// frees the call's event itself: a functor would be built on the worker in
// our code and read on the receiver before any lock of ours.
//
// Keep the hand-over a member (or child) of the object whose thread receives,
// and end the workers that post to it before it is destroyed: deliveries
// still queued then are dropped with it.
#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>
#include <utility>

class TQueuedHandOverBase : public QObject {
    Q_OBJECT

protected:
    TQueuedHandOverBase() = default;
    // Queues a call of DeliverPending on this object's thread.
    void QueueDelivery();

private:
    Q_INVOKABLE void Deliver() { DeliverPending(); }
    virtual void DeliverPending() = 0;
};

template <typename T>
class TQueuedHandOver final : public TQueuedHandOverBase {
public:
    explicit TQueuedHandOver(std::function<void(T)> receiver) : receive(std::move(receiver)) {}

    // Any thread.
    void Post(T value)
    {
        const std::lock_guard lock(mutex);
        pending.push_back(std::move(value));
        QueueDelivery();
    }

private:
    void DeliverPending() override
    {
        std::deque<T> taken;
        {
            const std::lock_guard lock(mutex);
            taken.swap(pending);
        }
        for (T& value : taken)
            receive(std::move(value));
    }

    std::function<void(T)> receive;
    std::mutex mutex;
    std::deque<T> pending;
};
