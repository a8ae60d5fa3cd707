// libFuzzer harness for the demo script reader: any byte sequence as the
// script must end in a documented failure or a list of effects, never in a
// crash or undefined behaviour.
#include <cstdint>
#include <cstdio>
#include <string>

#include "script_stand_ins.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    FILE* stream = fmemopen(bytes.empty() ? nullptr : bytes.data(), bytes.size(), "r");
    if (!stream) return 0;
    EffectList effects;
    std::string music;
    uint32_t offset = 0;
    fuzz::NoProgress progress;
    try {
        ReadDemoScript(stream, effects, music, offset, fuzz::Lookup, progress);
    } catch (const DemoFailure&) {
    }
    fclose(stream);
    return 0;
}
