#include "platform/display_modes.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
struct ResourcesFree {
    void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};
struct OutputInfoFree {
    void operator()(XRROutputInfo* info) const { XRRFreeOutputInfo(info); }
};
using OutputInfoPtr = std::unique_ptr<XRROutputInfo, OutputInfoFree>;

// Bits per pixel of the pixmap format of the screen's depth: a 24-bit depth
// is stored in 32 bits, which is what a mode's "bits per pixel" means.
int BitsPerPixel(Display* display, int screen) {
    const int depth = DefaultDepth(display, screen);
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bits = depth > 16 ? 32 : depth;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    }
    if (formats) XFree(formats);
    return bits;
}

int RefreshOf(const XRRModeInfo& mode) {
    double lines = mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan) lines *= 2;
    if (mode.modeFlags & RR_Interlace) lines /= 2;
    const double pixels = static_cast<double>(mode.hTotal) * lines;
    if (pixels <= 0) return 0;
    return static_cast<int>(mode.dotClock / pixels + 0.5);
}

// The output marked primary, else the first connected one that drives a
// CRTC, else the first connected one.
OutputInfoPtr PrimaryOutput(Display* display, Window root, XRRScreenResources* resources) {
    const RROutput primary = XRRGetOutputPrimary(display, root);
    if (primary != None) {
        OutputInfoPtr info(XRRGetOutputInfo(display, resources, primary));
        if (info) return info;
    }
    OutputInfoPtr fallback;
    for (int i = 0; i < resources->noutput; ++i) {
        OutputInfoPtr info(XRRGetOutputInfo(display, resources, resources->outputs[i]));
        if (!info || info->connection != RR_Connected) continue;
        if (info->crtc != None) return info;
        if (!fallback) fallback = std::move(info);
    }
    return fallback;
}

void AppendOutputModes(Display* display, Window root, int bits, std::vector<DisplayMode>& modes) {
    std::unique_ptr<XRRScreenResources, ResourcesFree> resources(
        XRRGetScreenResourcesCurrent(display, root));
    if (!resources) return;
    OutputInfoPtr output = PrimaryOutput(display, root, resources.get());
    if (!output) return;
    for (int i = 0; i < output->nmode; ++i) {
        for (int k = 0; k < resources->nmode; ++k) {
            const XRRModeInfo& info = resources->modes[k];
            if (info.id != output->modes[i]) continue;
            if (info.width == 0 || info.height == 0) break;
            modes.push_back({static_cast<int>(info.width), static_cast<int>(info.height), bits,
                             RefreshOf(info)});
            break;
        }
    }
}

// RandR 1.0/1.1: the screen's sizes, each at each of its rates.
void AppendScreenSizes(Display* display, int screen, int bits, std::vector<DisplayMode>& modes) {
    int size_count = 0;
    XRRScreenSize* sizes = XRRSizes(display, screen, &size_count);
    for (int i = 0; i < size_count; ++i) {
        int rate_count = 0;
        short* rates = XRRRates(display, screen, i, &rate_count);
        if (rate_count == 0) modes.push_back({sizes[i].width, sizes[i].height, bits, 0});
        for (int r = 0; r < rate_count; ++r) {
            modes.push_back({sizes[i].width, sizes[i].height, bits, rates[r]});
        }
    }
}

}  // namespace

std::vector<DisplayMode> EnumerateDisplayModes(const char* display_name) {
    std::vector<DisplayMode> modes;
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(display_name));
    if (!display) return modes;
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display.get(), &event_base, &error_base) ||
        !XRRQueryVersion(display.get(), &major, &minor)) {
        return modes;
    }
    const int screen = DefaultScreen(display.get());
    const int bits = BitsPerPixel(display.get(), screen);
    if (major > 1 || (major == 1 && minor >= 3)) {
        AppendOutputModes(display.get(), RootWindow(display.get(), screen), bits, modes);
    } else {
        AppendScreenSizes(display.get(), screen, bits, modes);
    }
    return modes;
}

int CurrentRefreshHz(const char* display_name) {
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(display_name));
    if (!display) return 0;
    int event_base = 0, error_base = 0;
    if (!XRRQueryExtension(display.get(), &event_base, &error_base)) return 0;
    XRRScreenConfiguration* config =
        XRRGetScreenInfo(display.get(), RootWindow(display.get(), DefaultScreen(display.get())));
    if (!config) return 0;
    const int rate = XRRConfigCurrentRate(config);
    XRRFreeScreenConfigInfo(config);
    return rate > 0 ? rate : 0;
}
