#include "app/demo_window.h"

#include <SDL/SDL.h>

#include "platform/failure.h"
#include "render/gl_guards.h"

DemoWindow::DemoWindow(int width, int height, int bits_per_pixel, bool full_screen) {
    SetWindowSize(width, height);
    if (SDL_Init(SDL_INIT_EVERYTHING) != 0) FailFormat("Error: %s\n", SDL_GetError());

    // The show draws with depth testing and clears the depth buffer every
    // frame, so the context is asked for double buffering and a depth buffer
    // before the mode is set.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);

    const Uint32 flags = full_screen ? (SDL_FULLSCREEN | SDL_OPENGL) : (SDL_OPENGL | SDL_RESIZABLE);
    // A mode that cannot be set is not examined here: it shows as a failing
    // GLEW start-up right after.
    SDL_SetVideoMode(width, height, bits_per_pixel, flags);
    SDL_WM_SetCaption("Kilnworks", "Kilnworks");

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 8);
}

DemoWindow::~DemoWindow() { SDL_Quit(); }

void DemoWindow::SwapAndPoll() {
    quit_ = seek_back_ = seek_forward_ = false;
    SDL_GL_SwapBuffers();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_KEYUP) {
            switch (event.key.keysym.sym) {
                case SDLK_ESCAPE: quit_ = true; break;
                case SDLK_RIGHT: seek_forward_ = true; break;
                case SDLK_LEFT: seek_back_ = true; break;
                default: break;
            }
        } else if (event.type == SDL_QUIT) {
            Fail("You quit?");
        }
    }
}
