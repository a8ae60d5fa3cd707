// Loading a demo script text through the real script reader and effect
// factory, for tests. Header only: it needs the timeline and factory
// libraries, which every test executable links. Needs whatever the script's
// effects need (a GL context for most); a failure raised while loading is
// caught and returned as its text, never thrown on.
#pragma once

#include <cstdint>
#include <string>

#include "platform/failure.h"
#include "support/test_paths.h"
#include "factory/factory.h"
#include "timeline/presenter.h"
#include "timeline/script.h"

// A presenter that only counts the loading screen's swaps.
struct CountingPresenter : FramePresenter {
    int swaps = 0;
    void SwapAndPoll() override { ++swaps; }
};

struct LoadedScript {
    EffectList effects;
    std::string music;
    uint32_t offset = 0;
    int swaps = 0;
    std::string failure;  // "" when the script loaded
};

// Writes `text` as demo.txt in a scratch folder and loads it.
inline LoadedScript LoadScriptText(const std::string& text) {
    ScratchDir dir;
    const std::string path = dir.Write("demo.txt", text);
    LoadedScript result;
    CountingPresenter presenter;
    try {
        LoadDemoScript(result.effects, presenter, result.music, result.offset, FindEffectMaker,
                       path.c_str());
    } catch (const DemoFailure& f) {
        result.failure = f.text();
    }
    result.swaps = presenter.swaps;
    return result;
}
