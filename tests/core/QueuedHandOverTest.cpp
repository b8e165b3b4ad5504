// Values posted from a worker thread reach the thread that made the
// hand-over, each once and in the order posted; those still queued when it
// goes are dropped, not delivered to a receiver that is gone.
#include "core/QueuedHandOver.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace {

class QueuedHandOver : public ::testing::Test {
protected:
    int argc = 1;
    char name[16] = "handover_tests";
    char* argv[1] = {name};
    QCoreApplication app{argc, argv};
};

TEST_F(QueuedHandOver, EachValueArrivesOnceInOrderOnTheReceivingThread)
{
    QStringList received;
    TQueuedHandOver<QString> handOver([&](QString text) {
        EXPECT_EQ(QThread::currentThread(), app.thread());
        received << text;
    });
    QStringList posted;
    for (int i = 0; i < 200; ++i)
        posted << QString::number(i);
    std::thread worker([&] {
        for (const QString& text : posted)
            handOver.Post(text);
    });
    worker.join();
    EXPECT_TRUE(received.isEmpty()) << "delivered before the event loop ran";
    QCoreApplication::processEvents();
    EXPECT_EQ(received, posted);
}

TEST_F(QueuedHandOver, ValuesStillQueuedWhenItGoesAreDropped)
{
    int received = 0;
    {
        TQueuedHandOver<int> handOver([&](int) { ++received; });
        std::thread worker([&] { handOver.Post(1); });
        worker.join();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(received, 0);
}

}  // namespace
