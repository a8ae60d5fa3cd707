// Stats overlay: a small window in the top-right corner of the frame with
// the frame rate, the last frame times as a graph, the render scale and the
// script entries on screen, for watching how smoothly the show plays.
//
// DrawStatsOverlay draws it over the current GL frame; call it after the
// frame's drawing, at most once per frame, with the window's framebuffer and
// a viewport of the window's size bound (it reads the viewport for its
// size). It saves the GL state it touches and puts it back (SavedGlState).
// The first call creates its own Dear ImGui context and font texture; after
// that a frame allocates nothing. StatsOverlayTerminate releases them (the
// GL context must still be current); safe when nothing was drawn.
//
//   [X] frames per second and the latest frame time in milliseconds
//   [X] a graph of the frame times the caller gives (oldest first)
//   [X] the render scale, whether it is automatic, and the drawn size
//   [X] the names of the entries on screen
//   [ ] no input: the overlay never takes the mouse or the keys
#pragma once

struct StatsOverlayView {
    float frames_per_second = 0;
    float latest_ms = 0;
    // Frame times in ms, oldest first: frame_ms(data, i) for i < frame_count.
    float (*frame_ms)(void* data, int index) = nullptr;
    void* data = nullptr;
    int frame_count = 0;
    float scale = 1;
    bool automatic = false;
    int drawn_width = 0, drawn_height = 0;
    const char* const* entries = nullptr;
    int entry_count = 0;
};

void DrawStatsOverlay(const StatsOverlayView& view);
void StatsOverlayTerminate();
