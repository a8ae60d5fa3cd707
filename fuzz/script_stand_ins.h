// Stand-ins for the effect factory in the script fuzz harnesses: effects
// that need GL are replaced by Overlays after their further lines are read,
// so no context is needed; the keyword "Broken" raises, as a constructor may.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/failure.h"
#include "timeline/script.h"

namespace fuzz {

inline std::unique_ptr<Effekt> Plain(int start, int end, FILE*) {
    return std::make_unique<Effekter::Overlays>(start, end);
}
inline std::unique_ptr<Effekt> OneLine(int start, int end, FILE* script) {
    ReadScriptLine(script);
    return Plain(start, end, script);
}
inline std::unique_ptr<Effekt> TwoLines(int start, int end, FILE* script) {
    ReadScriptLine(script);
    return OneLine(start, end, script);
}
inline std::unique_ptr<Effekt> Broken(int, int, FILE*) { Fail("Broken"); }

inline EffectMaker Lookup(const std::string& keyword) {
    if (keyword == "Plugin" || keyword == "Plasma2D") return OneLine;
    if (keyword == "AlphaBlendImage" || keyword == "ShaderShow") return TwoLines;
    if (keyword == "Overlays" || keyword == "Stroboskop" || keyword == "EndDemo") return Plain;
    if (keyword == "Broken") return Broken;
    return nullptr;
}

struct NoProgress : ScriptProgress {
    void Begin(int) override {}
    void Step() override {}
};

}  // namespace fuzz
