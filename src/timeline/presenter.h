// FramePresenter: shows a finished frame and collects window events.
//
// The loading screen uses it between entries; the window implements it.
// SwapAndPoll may raise a failure (the viewer closed the window).
#pragma once

class FramePresenter {
public:
    virtual ~FramePresenter() = default;
    virtual void SwapAndPoll() = 0;
};
