// bench_ping_probe: measures from outside a process how long its GUI thread
// leaves events unanswered. It sends the X11 window WINDOW a _NET_WM_PING
// every 10 ms; Qt answers each on the GUI thread by sending it back to the
// root window. When its standard input ends it prints
//   PING max_ms=.. sent=.. answered=..
// where max_ms is the longest time a ping waited for its answer (pings still
// unanswered count with their age), and worst_from/worst_to when that ping
// was sent and answered, in seconds of CLOCK_MONOTONIC (the clock of
// `perf record -k CLOCK_MONOTONIC`, to find the work that blocked).
//
//   bench_ping_probe WINDOW     (decimal or 0x... window id; needs DISPLAY)
#include <xcb/xcb.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

using TClock = std::chrono::steady_clock;
constexpr int kPingEveryMs = 10;

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

double Ms(TClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return std::fprintf(stderr, "usage: bench_ping_probe WINDOW\n"), 2;
    const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c))
        return std::fprintf(stderr, "bench_ping_probe: no X display\n"), 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t protocols = Atom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = Atom(c, "_NET_WM_PING");
    // Qt sends its answers to the root window for the clients that selected
    // StructureNotify or SubstructureRedirect there. SubstructureRedirect
    // belongs to a window manager (one client only, and it must then map the
    // windows itself); StructureNotify any client may select.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    std::map<std::uint32_t, TClock::time_point> waiting;  // by serial
    std::uint32_t serial = 1;
    long sent = 0, answered = 0;
    double maxMs = 0;
    TClock::time_point worstFrom{}, worstTo{};
    const auto note = [&](TClock::time_point from, TClock::time_point to) {
        if (Ms(to - from) > maxMs)
            maxMs = Ms(to - from), worstFrom = from, worstTo = to;
    };
    auto nextPing = TClock::now();
    bool inputOpen = true;
    // After the input ends, the answers still on their way are awaited.
    constexpr auto kDrain = std::chrono::milliseconds(300);
    auto drainUntil = TClock::time_point::max();
    while (inputOpen || (!waiting.empty() && TClock::now() < drainUntil)) {
        const auto now = TClock::now();
        if (inputOpen && now >= nextPing) {
            xcb_client_message_event_t event{};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = window;
            event.type = protocols;
            event.data.data32[0] = ping;
            event.data.data32[1] = serial;  // the time stamp field carries our serial
            event.data.data32[2] = window;
            xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
            xcb_flush(c);
            waiting[serial++] = now;
            ++sent;
            nextPing = now + std::chrono::milliseconds(kPingEveryMs);
        }
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {inputOpen ? 0 : -1, POLLIN, 0}};
        const int waitMs = std::clamp(static_cast<int>(Ms(nextPing - TClock::now())), 0, kPingEveryMs);
        poll(fds, 2, waitMs);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
                const auto it = waiting.find(m->data.data32[1]);
                if (m->data.data32[0] == ping && it != waiting.end()) {
                    note(it->second, TClock::now());
                    waiting.erase(it);
                    ++answered;
                }
            }
            std::free(e);
        }
        if (xcb_connection_has_error(c))
            break;
        if (inputOpen && (fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[256];
            inputOpen = read(0, buffer, sizeof buffer) > 0;
            if (!inputOpen)
                drainUntil = TClock::now() + kDrain;
        }
    }
    if (!waiting.empty())
        note(waiting.begin()->second, TClock::now());
    const auto seconds = [](TClock::time_point t) {
        return std::chrono::duration<double>(t.time_since_epoch()).count();
    };
    std::printf("PING max_ms=%.2f sent=%ld answered=%ld worst_from=%.6f worst_to=%.6f\n", maxMs, sent,
                answered, seconds(worstFrom), seconds(worstTo));
    xcb_disconnect(c);
    return 0;
}
