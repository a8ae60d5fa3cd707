// libFuzzer harness for the demo script reader: any byte sequence as the
// script must end in a documented failure or a list of effects, never in a
// crash or undefined behaviour. Effects that need GL are stood in for by
// Overlays after their further lines are read, so no context is needed.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/failure.h"
#include "timeline/script.h"

namespace {

std::unique_ptr<Effekt> Plain(int start, int end, FILE*) {
    return std::make_unique<Effekter::Overlays>(start, end);
}
std::unique_ptr<Effekt> OneLine(int start, int end, FILE* script) {
    ReadScriptLine(script);
    return Plain(start, end, script);
}
std::unique_ptr<Effekt> TwoLines(int start, int end, FILE* script) {
    ReadScriptLine(script);
    return OneLine(start, end, script);
}

EffectMaker Lookup(const std::string& keyword) {
    if (keyword == "Plugin" || keyword == "Plasma2D") return OneLine;
    if (keyword == "AlphaBlendImage" || keyword == "ShaderShow") return TwoLines;
    if (keyword == "Overlays" || keyword == "Stroboskop" || keyword == "EndDemo") return Plain;
    return nullptr;
}

struct NoProgress : ScriptProgress {
    void Begin(int) override {}
    void Step() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    FILE* stream = fmemopen(bytes.empty() ? nullptr : bytes.data(), bytes.size(), "r");
    if (!stream) return 0;
    EffectList effects;
    std::string music;
    uint32_t offset = 0;
    NoProgress progress;
    try {
        ReadDemoScript(stream, effects, music, offset, Lookup, progress);
    } catch (const DemoFailure&) {
    }
    fclose(stream);
    return 0;
}
