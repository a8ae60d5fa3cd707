#include "timeline/script_reload.h"

#include <memory>
#include <optional>

#include "platform/debug_output.h"
#include "platform/failure.h"
#include "timeline/loading_screen.h"

namespace {

// The rest of the stream from the current position, which is left as it was.
std::string RestOfStream(FILE* stream) {
    const long here = ftell(stream);
    std::string text;
    char chunk[4096];
    size_t n = 0;
    while ((n = fread(chunk, 1, sizeof chunk, stream)) > 0) text.append(chunk, n);
    clearerr(stream);
    fseek(stream, here, SEEK_SET);
    return text;
}

class SilentProgress : public ScriptProgress {
public:
    void Begin(int) override {}
    void Step() override {}
};

// Puts the effects taken from `earlier` back where they came from.
void GiveBack(ScriptReading& reading, ScriptReading& earlier, const std::vector<int>& taken) {
    for (size_t k = 0; k < taken.size() && k < reading.effects.size(); ++k)
        if (taken[k] >= 0)
            earlier.effects[static_cast<size_t>(taken[k])] = std::move(reading.effects[k]);
    reading.effects.clear();
    reading.texts.clear();
    reading.kept = 0;
}

}  // namespace

void ReadScriptEntries(FILE* stream, ScriptReading& reading, ScriptReading& earlier,
                       EffectLookup lookup, ScriptProgress& progress) {
    std::string line;
    reading.whole_header = ReadScriptLine(stream, reading.music_path);
    reading.whole_header = ReadScriptLine(stream, line) && reading.whole_header;
    reading.start_offset = static_cast<uint32_t>(ScriptNumber(line));
    reading.whole_header = ReadScriptLine(stream, line) && reading.whole_header;
    progress.Begin(ScriptNumber(line));

    // Offsets into `rest` are offsets from `base` in the stream.
    const long base = ftell(stream);
    const std::string rest = RestOfStream(stream);

    std::vector<int> taken;  // per effect: its index in `earlier`, or -1
    try {
        std::string keyword;
        for (;;) {
            const size_t begin = static_cast<size_t>(ftell(stream) - base);
            if (!ReadScriptLine(stream, keyword)) break;
            int reuse = -1;
            for (size_t i = 0; i < earlier.effects.size() && reuse < 0; ++i) {
                const std::string& text = earlier.texts[i];
                if (earlier.effects[i] && rest.compare(begin, text.size(), text) == 0)
                    reuse = static_cast<int>(i);
            }
            if (reuse >= 0) {
                const std::string& text = earlier.texts[static_cast<size_t>(reuse)];
                fseek(stream, base + static_cast<long>(begin + text.size()), SEEK_SET);
                progress.Step();
                reading.texts.push_back(text);
                reading.effects.push_back(std::move(earlier.effects[static_cast<size_t>(reuse)]));
                taken.push_back(reuse);
                ++reading.kept;
                continue;
            }
            std::unique_ptr<Effekt> effect = ReadScriptEntry(stream, keyword, lookup, progress);
            const size_t finish = static_cast<size_t>(ftell(stream) - base);
            reading.texts.push_back(rest.substr(begin, finish - begin));
            reading.effects.push_back(std::move(effect));
            taken.push_back(-1);
        }
    } catch (...) {
        GiveBack(reading, earlier, taken);
        throw;
    }
}

void LoadScriptEntries(const char* path, ScriptReading& reading, ScriptReading& earlier,
                       EffectLookup lookup, FramePresenter* presenter, bool whole_header) {
    std::string why;
    ScriptFile file = OpenScriptFile(path, &why);
    if (!file) FailToOpenScript(path, why);
    SilentProgress silent;
    std::optional<LoadingProgress> loading;
    if (presenter) loading.emplace(*presenter);
    ScriptProgress& progress = presenter ? static_cast<ScriptProgress&>(*loading) : silent;
    ReadScriptEntries(file.get(), reading, earlier, lookup, progress);
    // A file that ends inside its header has no entries either: nothing was
    // taken from `earlier`.
    if (whole_header && !reading.whole_header)
        FailFormat("%s is cut short: its header (music, start offset, entry count) is incomplete",
                   path);
}
