// LoadingScreen: the picture that rises while the script's entries load.
//
// Made by the script reader from the presenter and the script's entry count;
// Step() is called once per entry before that entry is constructed: it draws
// "data/overlay/loader.jpg" (half extent 1 x 1.2, z = -2) at height
// 0.5 - p with p = 1 - done / total, swaps and polls (closing the window
// raises "You quit?"), and counts the entry. A missing picture draws a white
// quad. Needs a current GL context in the standard perspective view.
#pragma once

#include <optional>

#include "render/texture.h"
#include "timeline/presenter.h"
#include "timeline/script.h"

// Height of the picture's centre after `done` of `total` entries. A total of
// 0 or less (a script that gives no sensible count) keeps the picture at its
// starting height instead of dividing by zero.
float LoadingPictureHeight(int done, int total);

class LoadingScreen {
public:
    LoadingScreen(FramePresenter& presenter, int total);
    LoadingScreen(const LoadingScreen&) = delete;
    LoadingScreen& operator=(const LoadingScreen&) = delete;

    void Step();

private:
    FramePresenter& presenter_;
    CTextureFreeImage texture_;
    int total_;
    int done_ = 0;
};

// The script reader's progress shown as the loading screen: it lives from the
// end of the header (Begin, with the entry count) to the last entry.
class LoadingProgress : public ScriptProgress {
public:
    explicit LoadingProgress(FramePresenter& presenter) : presenter_(presenter) {}
    void Begin(int total) override { screen_.emplace(presenter_, total); }
    void Step() override { screen_->Step(); }

private:
    FramePresenter& presenter_;
    std::optional<LoadingScreen> screen_;
};
