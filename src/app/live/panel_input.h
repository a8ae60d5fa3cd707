// Routing the window's events to the tweak panel (--tweak).
//
// The pointer and its buttons always reach the panel (the show has no use
// for them). Keys reach the panel while the panel is shown and wants them
// (the pointer is over a bar, or a field is being edited or dragged); the
// window then never sees them, so typing "1" or Space into a field neither
// seeks nor pauses the show. Key releases always reach the panel as well, so
// no key stays held down in it. F1, released, hides or shows the panel and
// goes nowhere else. Ctrl+S, pressed, asks for the tweaks file to be saved,
// whatever has the keys. Closing the window is never routed here.
#pragma once

#include "app/core/demo_window.h"

// Where one event goes.
struct PanelRoute {
    bool to_panel = false;  // the panel is told of it
    bool used_up = false;   // the window must ignore it
    bool toggle = false;    // F1: hide or show the panel
    bool save = false;      // Ctrl+S
};

// `shown`: the panel is not hidden with F1; `wants_keys`: TweakPanelWantsInput().
PanelRoute RoutePanelEvent(const SDL_Event& event, bool shown, bool wants_keys);

class PanelInput : public WindowEventFilter {
public:
    bool Filter(const SDL_Event& event) override;
    // False after F1 hid the panel.
    bool Shown() const { return shown_; }
    // True once after Ctrl+S.
    bool TakeSaveRequest() {
        const bool save = save_;
        save_ = false;
        return save;
    }

private:
    bool shown_ = true;
    bool save_ = false;
};
