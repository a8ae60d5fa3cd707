// Helpers for effect tests: pictures and data folders made on the spot, and
// the check of the GL state the frame loop expects after every effect.
// ExpectFrameLoopState needs the test window (640 x 480, EnsureGlContext).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/test_paths.h"

// Writes an 8 x 8 PNG of one colour at `relative` under `dir` (named as the
// effect names it, .jpg included: the loader goes by the content).
void WriteFlatImage(const ScratchDir& dir, const std::string& relative, int r, int g, int b);

// Runs `fn` with `dir` as the working directory (effects load from data/),
// and returns to the previous one, also when `fn` raises.
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

// The frame loop's state: blending, fog and depth test off, GL_TEXTURE_2D on
// with texture 0, program 0, the standard perspective view of the 640 x 480
// test window with identity modelview, no GL error.
void ExpectFrameLoopState(const char* effect);
