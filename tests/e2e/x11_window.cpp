// A small X client for the end-to-end test: waits for a top-level window with a given title
// to be on screen, and asks a window to close the way a window manager's close button does.
//
//   x11_window wait TITLE MILLISECONDS   prints the window's id once it is viewable
//   x11_window gone TITLE MILLISECONDS   returns once no window with the title is viewable
//   x11_window close ID                  sends it WM_DELETE_WINDOW
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace {

std::optional<std::string> TitleOf(Display* display, Window window) {
    // Qt writes the UTF-8 title as _NET_WM_NAME; WM_NAME may hold a lossy copy.
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        std::string title(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        std::string title(name);
        XFree(name);
        return title;
    }
    return std::nullopt;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

// Without a window manager the program's windows are children of the root window.
std::optional<Window> FindViewable(Display* display, const std::string& title) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0)
        return std::nullopt;
    std::optional<Window> found;
    for (unsigned int k = 0; k < count && !found; ++k)
        if (TitleOf(display, children[k]) == title && Viewable(display, children[k]))
            found = children[k];
    if (children != nullptr) XFree(children);
    return found;
}

int Wait(Display* display, const std::string& title, long milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (const auto window = FindViewable(display, title)) {
            std::printf("%lu\n", static_cast<unsigned long>(*window));
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::fprintf(stderr, "no window titled \"%s\" within %ld ms\n", title.c_str(), milliseconds);
    return 1;
}

int Gone(Display* display, const std::string& title, long milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!FindViewable(display, title)) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::fprintf(stderr, "a window titled \"%s\" is still there after %ld ms\n", title.c_str(),
                 milliseconds);
    return 1;
}

int Close(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (XSendEvent(display, window, False, NoEventMask, &event) == 0) return 1;
    XSync(display, False);
    return 0;
}

// A window may be destroyed between the query of the root's children and the questions asked
// about it (the splash window goes after three seconds): Xlib's own handler would end the program
// on that BadWindow, where the window is simply no longer one of the candidates.
int IgnoreVanishedWindows(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string verb = argc > 1 ? argv[1] : "";
    if (!(((verb == "wait" || verb == "gone") && argc == 4) || (verb == "close" && argc == 3))) {
        std::fprintf(stderr, "usage: x11_window wait|gone TITLE MILLISECONDS | close ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreVanishedWindows);
    const long milliseconds = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 0;
    const int rc = verb == "wait"   ? Wait(display, argv[2], milliseconds)
                   : verb == "gone" ? Gone(display, argv[2], milliseconds)
                                    : Close(display, std::strtoul(argv[2], nullptr, 0));
    XCloseDisplay(display);
    return rc;
}
