#include "app/core/window_attributes.h"

#include <GL/glx.h>
#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int kWantedSamples = 8;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

SDL_Surface* SetMode(const DisplaySettings& settings, bool fullscreen) {
    const Uint32 flags = fullscreen ? SDL_FULLSCREEN | SDL_OPENGL : SDL_OPENGL | SDL_RESIZABLE;
    return SDL_SetVideoMode(settings.width, settings.height, settings.bits_per_pixel, flags);
}

}  // namespace

int ChooseSampleCount(const std::vector<int>& offered) {
    int most = 0;
    for (int count : offered) {
        if (count >= kWantedSamples) return kWantedSamples;
        most = std::max(most, count);
    }
    return most;
}

std::vector<int> OfferedSampleCounts() {
    std::vector<int> counts;
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) return counts;
    int error_base = 0, event_base = 0;
    if (!glXQueryExtension(display.get(), &error_base, &event_base)) return counts;
    XVisualInfo pattern{};
    pattern.screen = DefaultScreen(display.get());
    int visual_count = 0;
    XVisualInfo* visuals = XGetVisualInfo(display.get(), VisualScreenMask, &pattern, &visual_count);
    for (int i = 0; i < visual_count; ++i) {
        int use_gl = 0, rgba = 0, double_buffer = 0, samples = 0;
        glXGetConfig(display.get(), &visuals[i], GLX_USE_GL, &use_gl);
        glXGetConfig(display.get(), &visuals[i], GLX_RGBA, &rgba);
        glXGetConfig(display.get(), &visuals[i], GLX_DOUBLEBUFFER, &double_buffer);
        if (glXGetConfig(display.get(), &visuals[i], GLX_SAMPLES, &samples) != 0) samples = 0;
        if (use_gl && rgba && double_buffer && samples >= 2) counts.push_back(samples);
    }
    if (visuals) XFree(visuals);
    std::sort(counts.begin(), counts.end());
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
    return counts;
}

void RequestContextAttributes(const DisplaySettings& settings, int samples) {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, settings.vertical_sync ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
}

SDL_Surface* OpenVideoMode(const DisplaySettings& settings) {
    const bool fullscreen = !settings.windowed;
    const int samples = settings.multisampling ? ChooseSampleCount(OfferedSampleCounts()) : 0;
    RequestContextAttributes(settings, samples);
    SDL_Surface* screen = SetMode(settings, fullscreen);
    if (!screen && samples > 0) {
        fprintf(stderr, "Unable to open a %d-sample display: %s; going on without multisampling\n",
                samples, SDL_GetError());
        RequestContextAttributes(settings, 0);
        screen = SetMode(settings, fullscreen);
    }
    if (!screen && fullscreen) {
        fprintf(stderr,
                "Unable to set the full-screen mode %d * %d: %s; using a window of that size\n",
                settings.width, settings.height, SDL_GetError());
        screen = SetMode(settings, false);
    }
    if (!screen) {
        fprintf(stderr, "Unable to open a %d * %d window: %s\n", settings.width, settings.height,
                SDL_GetError());
        return nullptr;
    }
    const bool windowed = (screen->flags & SDL_FULLSCREEN) == 0;
    if (windowed && settings.always_on_top) ApplyAlwaysOnTop(true);
    return screen;
}

bool ApplyAlwaysOnTop(bool above) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    const Window window = info.info.x11.wmwindow ? info.info.x11.wmwindow : info.info.x11.window;
    if (!display || !window) return false;

    if (info.info.x11.lock_func) info.info.x11.lock_func();
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom state_above = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);

    // The property is what a window manager reads when it takes the window
    // on; the message is how a mapped window asks for the change.
    if (above) {
        XChangeProperty(display, window, state, XA_ATOM, 32, PropModeAppend,
                        reinterpret_cast<const unsigned char*>(&state_above), 1);
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = above ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
    event.xclient.data.l[1] = static_cast<long>(state_above);
    event.xclient.data.l[2] = 0;
    event.xclient.data.l[3] = 1;  // source: a normal application
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
    if (info.info.x11.unlock_func) info.info.x11.unlock_func();
    return true;
}

std::string ProbeGlRenderer() {
    std::string renderer;
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) return renderer;
    int error_base = 0, event_base = 0;
    if (!glXQueryExtension(display.get(), &error_base, &event_base)) return renderer;
    const int screen = DefaultScreen(display.get());
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, None};
    XVisualInfo* visual = glXChooseVisual(display.get(), screen, attributes);
    if (!visual) return renderer;
    const Window root = RootWindow(display.get(), screen);
    XSetWindowAttributes window_attributes{};
    window_attributes.colormap = XCreateColormap(display.get(), root, visual->visual, AllocNone);
    const Window window =
        XCreateWindow(display.get(), root, 0, 0, 16, 16, 0, visual->depth, InputOutput,
                      visual->visual, CWColormap, &window_attributes);
    GLXContext context = glXCreateContext(display.get(), visual, nullptr, True);
    if (context && glXMakeCurrent(display.get(), window, context)) {
        const GLubyte* name = glGetString(GL_RENDERER);
        if (name) renderer = reinterpret_cast<const char*>(name);
        glXMakeCurrent(display.get(), None, nullptr);
    }
    if (context) glXDestroyContext(display.get(), context);
    XDestroyWindow(display.get(), window);
    XFreeColormap(display.get(), window_attributes.colormap);
    XFree(visual);
    return renderer;
}
