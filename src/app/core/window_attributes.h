// Window attributes: the viewer's display choices applied to the SDL window.
//
// [X] vertical sync: swap interval 1 when chosen, 0 otherwise
// [X] multisampling: 8 samples when the GL driver offers that many, else the
//     most it offers; none when it offers none
// [X] double buffer, 8 bits per colour channel and alpha, a depth buffer
// [X] a mode that cannot be set is reported on standard error and replaced:
//     first without multisampling, then (for full screen) by a window of the
//     same size
// [X] "Always on top" for a windowed show: the EWMH hint _NET_WM_STATE_ABOVE
//     on the X11 window, set as a property and asked of the window manager
// [ ] no hint in full screen, and without a window manager nobody acts on it
//
// Needs SDL_Init(SDL_INIT_VIDEO) first. Never raises: OpenVideoMode returns
// null when no mode at all could be set, as SDL_SetVideoMode does.
#pragma once

#include <string>
#include <vector>

#include "app/core/display_settings.h"

struct SDL_Surface;

// The sample count to ask for, given the counts the driver offers.
int ChooseSampleCount(const std::vector<int>& offered);

// The sample counts (2 and more) of the double-buffered RGBA GL visuals of
// $DISPLAY, ascending, without repeats. Empty without a display or GLX.
std::vector<int> OfferedSampleCounts();

// Sets the SDL_GL attributes for the next video mode from the choices;
// `samples` 0 asks for no multisample buffer.
void RequestContextAttributes(const DisplaySettings& settings, int samples);

// Sets the attributes and the video mode (full screen unless windowed,
// resizable when windowed), with the fallbacks above, then applies "Always
// on top" to a windowed show. Returns the screen surface or null.
SDL_Surface* OpenVideoMode(const DisplaySettings& settings);

// Adds (or removes) _NET_WM_STATE_ABOVE on the SDL window. Returns false when
// SDL has no X11 window.
bool ApplyAlwaysOnTop(bool above);

// The GL_RENDERER string of a direct GLX context made for a moment on a
// small unmapped window of $DISPLAY, before the show's window exists (the
// settings dialog's default render scale depends on it). Empty without a
// display or GLX. Leaves no context current.
std::string ProbeGlRenderer();
