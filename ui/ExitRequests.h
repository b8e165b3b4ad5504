// TExitRequests: the ways the process is told to end from outside its menus.
// SIGTERM and SIGINT, and the main window's X window destroyed by another
// client, each close the windows as "Exit" does (the worker stops, an export
// in hand is written whole, since it runs on this thread) and end the event
// loop; a modal message box open at the time is closed too.
//
// One instance per process, created before the main window and living until
// the event loop has ended.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

#include <memory>

class QSocketNotifier;
class QWidget;

class TExitRequests : public QObject, public QAbstractNativeEventFilter {
public:
    // Installs the signal handlers; a signal is taken into the event loop
    // through a pipe, since a handler may do nothing but write to it.
    TExitRequests();
    ~TExitRequests() override;
    TExitRequests(const TExitRequests&) = delete;
    TExitRequests& operator=(const TExitRequests&) = delete;

    // WatchWindow ends the process when `window`'s platform window is
    // destroyed by someone else (it never is by this program while it runs).
    void WatchWindow(QWidget* window);
    // Whether an exit was asked for: main does not enter its event loop then.
    bool Requested() const { return requested; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void TakeSignal();
    void RequestExit();

    int pipeEnds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    QPointer<QWidget> watched;
    bool requested = false;
};
