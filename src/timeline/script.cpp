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

// The number of the file line that holds the byte before `offset` (1 for the
// first line), counted from the start of the stream, which is left where it
// was. 0 when the stream cannot be repositioned.
long LineBefore(FILE* stream, long offset) {
    const long here = ftell(stream);
    if (here < 0 || offset <= 0 || fseek(stream, 0, SEEK_SET) != 0) return 0;
    long line = 1;
    for (long i = 0; i + 1 < offset; ++i) {
        const int c = fgetc(stream);
        if (c == EOF) break;
        if (c == '\n') ++line;
    }
    clearerr(stream);
    fseek(stream, here, SEEK_SET);
    return line;
}

}  // namespace

ScriptFile OpenScriptFile(const char* path, std::string* why) {
    ScriptFile file(fopen(path, "r"));
    if (!file) {
        if (why) *why = strerror(errno);
        return file;
    }
    struct stat info;
    if (fstat(fileno(file.get()), &info) != 0) {
        if (why) *why = strerror(errno);
        file.reset();
    } else if (S_ISDIR(info.st_mode)) {
        if (why) *why = "it is a folder";
        file.reset();
    }
    return file;
}

void FailToOpenScript(const char* path, const std::string& why) {
    FailFormat("Unable to load %s (%s)", path, why.c_str());
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
    // Where the keyword line ends, for the line number in a failure.
    const long keyword_end = ftell(stream);
    const int start = ReadScriptInt(stream);
    const int end = ReadScriptInt(stream);
    progress.Step();
    EffectMaker make = lookup(keyword);
    if (!make)
        FailFormat("Unknown entry '%s' in file, please correct (line %ld)", keyword.c_str(),
                   LineBefore(stream, keyword_end));
    std::unique_ptr<Effekt> effect;
    try {
        effect = make(start, end, stream);
    } catch (const DemoFailure& failure) {
        // What an entry raises names the entry's place in the script.
        throw DemoFailure(failure.text() + " (" + keyword + " entry at line " +
                              std::to_string(LineBefore(stream, keyword_end)) + ")",
                          failure.IsNormalEnd());
    }
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
    std::string why;
    ScriptFile file = OpenScriptFile(path, &why);
    if (!file) FailToOpenScript(path, why);
    LoadingProgress progress(presenter);
    ReadDemoScript(file.get(), effects, music_path, start_offset, lookup, progress);
}
