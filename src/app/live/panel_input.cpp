#include "app/live/panel_input.h"

#include <SDL/SDL.h>

#include "platform/tweak_panel.h"

PanelRoute RoutePanelEvent(const SDL_Event& event, bool shown, bool wants_keys) {
    PanelRoute route;
    switch (event.type) {
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: route.to_panel = true; break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (event.key.keysym.sym == SDLK_F1) {
                route.used_up = true;
                route.toggle = event.type == SDL_KEYUP;
                break;
            }
            if (event.key.keysym.sym == SDLK_s && (event.key.keysym.mod & KMOD_CTRL)) {
                route.used_up = true;
                route.save = event.type == SDL_KEYDOWN;
                break;
            }
            route.used_up = shown && wants_keys;
            route.to_panel = route.used_up || event.type == SDL_KEYUP;
            break;
        default: break;
    }
    return route;
}

namespace {

void TellPanel(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEMOTION:
            TweakPanelMouseMove(static_cast<float>(event.motion.x),
                                static_cast<float>(event.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const bool down = event.type == SDL_MOUSEBUTTONDOWN;
            // Shift+drag on the timeline: the modifiers as the button goes.
            const SDLMod mod = SDL_GetModState();
            TweakPanelModifiers((mod & KMOD_CTRL) != 0, (mod & KMOD_SHIFT) != 0,
                                (mod & KMOD_ALT) != 0);
            TweakPanelMouseMove(static_cast<float>(event.button.x),
                                static_cast<float>(event.button.y));
            if (event.button.button == SDL_BUTTON_LEFT) TweakPanelMouseButton(down);
            if (down && event.button.button == SDL_BUTTON_WHEELUP) TweakPanelWheel(1);
            if (down && event.button.button == SDL_BUTTON_WHEELDOWN) TweakPanelWheel(-1);
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const SDLMod mod = event.key.keysym.mod;
            TweakPanelModifiers((mod & KMOD_CTRL) != 0, (mod & KMOD_SHIFT) != 0,
                                (mod & KMOD_ALT) != 0);
            TweakPanelKey(event.key.keysym.sym, event.type == SDL_KEYDOWN);
            if (event.type == SDL_KEYDOWN && event.key.keysym.unicode != 0)
                TweakPanelCharacter(event.key.keysym.unicode);
            break;
        }
        default: break;
    }
}

}  // namespace

bool PanelInput::Filter(const SDL_Event& event) {
    const PanelRoute route = RoutePanelEvent(event, shown_, TweakPanelWantsInput());
    if (route.toggle) shown_ = !shown_;
    if (route.save) save_ = true;
    if (route.to_panel) TellPanel(event);
    return route.used_up;
}
