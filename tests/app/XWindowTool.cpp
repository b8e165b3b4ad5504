// vexgrid_xwindow: finds a window on the X display by its title and, as
// asked, prints its id, destroys it (as a window tool may) or kills its
// client's connection (as the X server does for xkill).
//
//     vexgrid_xwindow <title> find|destroy|kill [guard-ms]
//
// Waits up to guard-ms (default 10000) for the window; exits 0 when it was
// found and acted on, 1 when it never appeared, 2 on a usage error.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// The first window under `root`, at any depth, whose name is `title`.
Window FindByTitle(Display* display, Window root, const char* title)
{
    char* name = nullptr;
    if (XFetchName(display, root, &name) != 0 && name != nullptr) {
        const bool same = std::strcmp(name, title) == 0;
        XFree(name);
        if (same)
            return root;
    }
    Window parent = 0, unusedRoot = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &unusedRoot, &parent, &children, &count) == 0)
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i)
        found = FindByTitle(display, children[i], title);
    if (children != nullptr)
        XFree(children);
    return found;
}

// A window that goes away while it is searched raises BadWindow: not fatal.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::string action = argv[2];
    const int guardMs = argc > 3 ? std::atoi(argv[3]) : 10000;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
    Window window = 0;
    while ((window = FindByTitle(display, DefaultRootWindow(display), argv[1])) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            XCloseDisplay(display);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (action == "destroy")
        XDestroyWindow(display, window);
    else if (action == "kill")
        XKillClient(display, window);
    else
        std::printf("0x%lx\n", window);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
