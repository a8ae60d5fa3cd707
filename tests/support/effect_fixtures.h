// Helpers for effect tests: the GL state the frame loop gives every effect
// (and every effect leaves), running code in another working folder (effects
// load from data/), and flat and broken pictures made on the spot. The GL
// checks need the test window (640 x 480, EnsureGlContext).
#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <string>

#include "support/test_paths.h"

// Blending, fog, depth testing and face culling off, depth writes on,
// GL_TEXTURE_2D on with texture 0, no program, the standard 40-degree
// perspective view of the 640 x 480 window with an identity modelview, no
// GL error.
void ExpectFrameLoopState(const char* effect);

// Runs `fn` with `dir` as the working directory, and returns to the previous
// one, also when `fn` raises.
template <class Fn>
void InDirectory(const std::string& dir, Fn fn) {
    char here[4096];
    ASSERT_NE(nullptr, getcwd(here, sizeof here));
    ASSERT_EQ(0, chdir(dir.c_str()));
    try {
        fn();
    } catch (...) {
        EXPECT_EQ(0, chdir(here));
        throw;
    }
    ASSERT_EQ(0, chdir(here));
}

// Writes an 8 x 8 PNG of one colour at dir/relative and returns its path
// (named as the effect names it, .jpg included: the loader goes by the
// content). With alpha < 255 the PNG has an alpha channel.
std::string WriteFlatPicture(const ScratchDir& dir, const std::string& relative, int r, int g,
                             int b, int alpha = 255);

// The ways a picture can be broken: absent, cut off halfway, or text under
// an image's name.
enum class BrokenPicture { kMissing, kTruncated, kNotAnImage };
const char* BrokenPictureName(BrokenPicture kind);
// Puts a broken picture of that kind at dir/relative.
void WriteBrokenPicture(const ScratchDir& dir, const std::string& relative, BrokenPicture kind);

// The current colour.
std::array<float, 4> CurrentColour();
