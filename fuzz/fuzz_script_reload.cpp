// libFuzzer harness for reading the script again while the show runs. The
// input is two scripts separated by the first NUL byte: the first is read
// from nothing, the second with the first reading as the earlier one, then
// the second once more with its own reading as the earlier one. Besides the
// sanitizers it checks what the reloader relies on:
//   - a reading has one text per effect and counts the earlier ones it kept;
//   - a failed reading puts every effect it took back where it was;
//   - reading an unchanged script again keeps every effect.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "script_stand_ins.h"
#include "timeline/script_reload.h"

namespace {

std::vector<const Effekt*> Effects(const ScriptReading& reading) {
    std::vector<const Effekt*> list;
    for (const auto& e : reading.effects) list.push_back(e.get());
    return list;
}

// Reads `text` with `earlier`; false when the reading raised.
bool Read(const std::string& text, ScriptReading& reading, ScriptReading& earlier) {
    std::string bytes = text;
    FILE* stream = fmemopen(bytes.empty() ? nullptr : bytes.data(), bytes.size(), "r");
    if (!stream) return false;
    const std::vector<const Effekt*> before = Effects(earlier);
    fuzz::NoProgress progress;
    bool ok = true;
    try {
        ReadScriptEntries(stream, reading, earlier, fuzz::Lookup, progress);
    } catch (const DemoFailure&) {
        ok = false;
    }
    fclose(stream);
    if (!ok) {
        if (!reading.effects.empty() || !reading.texts.empty()) __builtin_trap();
        if (Effects(earlier) != before) __builtin_trap();
        return false;
    }
    if (reading.texts.size() != reading.effects.size()) __builtin_trap();
    std::set<const Effekt*> taken;
    for (const Effekt* e : before)
        if (e) taken.insert(e);
    int kept = 0;
    for (const Effekt* e : Effects(reading)) {
        if (!e) __builtin_trap();
        kept += taken.count(e) ? 1 : 0;
    }
    if (kept != reading.kept) __builtin_trap();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string first = input.substr(0, split);
    const std::string second = split == std::string::npos ? first : input.substr(split + 1);

    ScriptReading none, one, two, three;
    Read(first, one, none);
    if (!Read(second, two, one)) return 0;
    if (!Read(second, three, two)) __builtin_trap();
    if (three.kept != static_cast<int>(three.effects.size())) __builtin_trap();
    return 0;
}
