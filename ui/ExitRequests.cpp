#include "ui/ExitRequests.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <cstdint>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define VEXGRID_HAVE_XCB 1
#endif

namespace {

// The write end of the pipe, for the signal handler.
volatile int signalPipe = -1;
constexpr int kExitSignals[] = {SIGTERM, SIGINT};

extern "C" void OnExitSignal(int signalNumber)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request; nothing more is needed.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe, &byte, 1);
    errno = saved;
}

}  // namespace

TExitRequests::TExitRequests()
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // no pipe: the signals keep their default action, which also ends the process
    signalPipe = pipeEnds[1];
    notifier = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, this, [this] { TakeSignal(); });
    struct sigaction action = {};
    action.sa_handler = OnExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kExitSignals)
        ::sigaction(signalNumber, &action, nullptr);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

TExitRequests::~TExitRequests()
{
    if (auto* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
    if (pipeEnds[0] < 0)
        return;
    // A signal from now on ends the process at once, as it would without us.
    for (const int signalNumber : kExitSignals)
        ::signal(signalNumber, SIG_DFL);
    signalPipe = -1;
    notifier.reset();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

void TExitRequests::WatchWindow(QWidget* window) { watched = window; }

void TExitRequests::TakeSignal()
{
    unsigned char bytes[16];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    RequestExit();
}

void TExitRequests::RequestExit()
{
    if (requested)
        return;
    requested = true;
    // Closing runs each window's own close handling; a modal box's loop ends.
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

bool TExitRequests::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
#ifdef VEXGRID_HAVE_XCB
    if (watched.isNull() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The top bit marks an event sent by another client: a destroy counts all the same.
    constexpr std::uint8_t kSentByClient = 0x80;
    if ((event->response_type & ~kSentByClient) != XCB_DESTROY_NOTIFY)
        return false;
    const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
    if (destroyed->window != watched->internalWinId())
        return false;
    // The window is gone, and with it the only way the user could close
    // the program: close what is left and end.
    watched.clear();
    RequestExit();
#else
    (void)eventType;
    (void)message;
#endif
    return false;
}
