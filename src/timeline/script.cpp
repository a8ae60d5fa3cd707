#include "timeline/script.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/debug_output.h"
#include "platform/failure.h"
#include "timeline/loading_screen.h"

namespace {

bool IsTrailingBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

ScriptFile OpenScriptFile(const char* path) {
    ScriptFile file(fopen(path, "r"));
    struct stat info;
    if (file && (fstat(fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode))) file.reset();
    return file;
}

bool ReadScriptLine(FILE* stream, std::string& line) {
    char buffer[1024];
    for (;;) {
        if (!fgets(buffer, sizeof buffer, stream)) {
            line.clear();
            return false;
        }
        if (buffer[0] == '#') continue;
        size_t length = strlen(buffer);
        while (length > 0 && IsTrailingBlank(buffer[length - 1])) --length;
        line.assign(buffer, length);
        return true;
    }
}

std::string ReadScriptLine(FILE* stream) {
    std::string line;
    ReadScriptLine(stream, line);
    return line;
}

int ScriptNumber(const std::string& text) {
    // strtol saturates instead of overflowing; the narrowing keeps the low
    // 32 bits, which is what the C library's atoi does on this platform.
    return static_cast<int>(strtol(text.c_str(), nullptr, 10));
}

int ReadScriptInt(FILE* stream) { return ScriptNumber(ReadScriptLine(stream)); }

void ReadDemoScript(FILE* stream, EffectList& effects, std::string& music_path,
                    uint32_t& start_offset, EffectLookup lookup, ScriptProgress& progress) {
    music_path = ReadScriptLine(stream);
    start_offset = static_cast<uint32_t>(ReadScriptInt(stream));
    progress.Begin(ReadScriptInt(stream));

    std::string keyword;
    while (ReadScriptLine(stream, keyword))
        effects.push_back(ReadScriptEntry(stream, keyword, lookup, progress));
}

std::unique_ptr<Effekt> ReadScriptEntry(FILE* stream, const std::string& keyword,
                                        EffectLookup lookup, ScriptProgress& progress) {
    const int start = ReadScriptInt(stream);
    const int end = ReadScriptInt(stream);
    progress.Step();
    EffectMaker make = lookup(keyword);
    if (!make) FailFormat("Unknown entry '%s' in file, please correct", keyword.c_str());
    std::unique_ptr<Effekt> effect = make(start, end, stream);
    effect->SetKeyword(keyword);
    DebugOutputFormat("Loaded %s with start time %i and end time %i\n", keyword.c_str(), start,
                      end);
    return effect;
}

std::string PeekScriptMusicPath(const char* path) {
    ScriptFile file = OpenScriptFile(path);
    return file ? ReadScriptLine(file.get()) : "";
}

void LoadDemoScript(EffectList& effects, FramePresenter& presenter, std::string& music_path,
                    uint32_t& start_offset, EffectLookup lookup, const char* path) {
    ScriptFile file = OpenScriptFile(path);
    if (!file) FailFormat("Unable to load %s", path);
    LoadingProgress progress(presenter);
    ReadDemoScript(file.get(), effects, music_path, start_offset, lookup, progress);
}
