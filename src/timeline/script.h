// The demo script "data/demo.txt" and its reader.
//
// Layout: music path; start offset N; entry count (scales the loading
// screen only); then entries until the end of the file, each a keyword line,
// a start time line, an end time line and the further lines its keyword
// takes. Line rules:
//   - lines are read through a 1024-byte buffer: at most 1023 characters at
//     a time, the rest of a longer line comes back as the next line;
//   - a line whose first character is '#' is a comment, skipped wherever a
//     value is expected (only column 1 counts);
//   - trailing spaces, tabs, CR and LF are removed, leading blanks stay;
//   - an empty line is a value (the empty text, or 0);
//   - numbers are read like atoi: leading blanks and a sign, digits up to the
//     first non-digit, 0 without digits.
// Failures are raised through the failure channel: "Unable to load
// data/demo.txt (<reason>)", "Unknown entry '%s' in file, please correct
// (line N)", and whatever an effect constructor raises, followed by
// " (<keyword> entry at line N)"; N counts the file's lines from 1 and points
// at the entry's keyword line. An entry cut short by the end of the file
// reads its missing lines as empty (times 0, so it is never drawn) and
// reading stops there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "timeline/effekt.h"

class FramePresenter;

struct ScriptFileCloser {
    void operator()(FILE* f) const { fclose(f); }
};
using ScriptFile = std::unique_ptr<FILE, ScriptFileCloser>;
// Opens a script for reading; null when it cannot be opened or is a folder
// (a folder opens for reading but yields no line: it is no script, and must
// not pass as an empty show). `why` then gets the reason: the system's
// ("No such file or directory", "Permission denied") or "it is a folder".
ScriptFile OpenScriptFile(const char* path, std::string* why = nullptr);
// Raises "Unable to load <path> (<why>)".
[[noreturn]] void FailToOpenScript(const char* path, const std::string& why);

// Reads the next value line. Returns false, with `line` empty, when the end
// of the file comes before any line.
bool ReadScriptLine(FILE* stream, std::string& line);
// The next value line as text (empty at the end of the file).
std::string ReadScriptLine(FILE* stream);
// The next value line as a number, the way atoi reads it.
int ReadScriptInt(FILE* stream);
// atoi's reading of a text, without its undefined behaviour on overflow:
// out-of-range values saturate to the long range, then take the low 32 bits.
int ScriptNumber(const std::string& text);

// Constructs one effect from its entry; reads the keyword's further lines
// from `script`. Raises failures as constructors do.
using EffectMaker = std::unique_ptr<Effekt> (*)(int start, int end, FILE* script);
// The effect factory: the maker for a keyword, or null for an unknown one.
using EffectLookup = EffectMaker (*)(const std::string& keyword);

// What the reader reports while it reads: the entry count once after the
// header, then one step before each entry is constructed.
class ScriptProgress {
public:
    virtual ~ScriptProgress() = default;
    virtual void Begin(int total) = 0;
    virtual void Step() = 0;
};

// Reads the rest of the entry whose keyword line was just read (start and
// end times, then the keyword's further lines through its maker), after one
// progress step, and returns its effect with the keyword set. Raises the
// unknown-entry failure and whatever the maker raises, both with the keyword
// line's number.
std::unique_ptr<Effekt> ReadScriptEntry(FILE* stream, const std::string& keyword,
                                        EffectLookup lookup, ScriptProgress& progress);

// Reads an open script: the header, then one effect per entry appended to
// `effects` in file order. Raises the unknown-entry failure and whatever the
// makers raise.
void ReadDemoScript(FILE* stream, EffectList& effects, std::string& music_path,
                    uint32_t& start_offset, EffectLookup lookup, ScriptProgress& progress);

// The music path of the script at `path` (its first value line), read
// without loading anything, so that the music can decode while the entries
// load; empty when the file cannot be read. Raises nothing.
std::string PeekScriptMusicPath(const char* path = "data/demo.txt");

// Reads `path` (the show uses "data/demo.txt"), constructing one effect per
// entry and appending them to `effects` in file order, while the loading
// screen rises on `presenter`. Gives back the music path and the start offset.
void LoadDemoScript(EffectList& effects, FramePresenter& presenter, std::string& music_path,
                    uint32_t& start_offset, EffectLookup lookup,
                    const char* path = "data/demo.txt");
