// Reading the demo script so that it can be read again while the show runs.
//
// The text of an entry is the span of the file from the end of the entry
// before it (or of the header) to the end of its own last line: the comment
// lines in front of it, its keyword, times and further lines (a plug-in's
// own lines included). Reading again, an entry whose text is unchanged takes
// its effect from the earlier reading instead of constructing it anew, so it
// keeps its loaded assets, its state and its tweaked values; every other
// entry is constructed as at start-up. Each earlier effect is taken at most
// once.
//
// ReadScriptEntries raises what ReadDemoScript raises; when it does, every
// effect it took is back in its place in `earlier` and `effects` is as it was
// given (empty). Needs what the effects need (a GL context).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "timeline/effekt.h"
#include "timeline/script.h"

class FramePresenter;

// One reading of the script: the header, the effects in file order and the
// text of each entry (parallel to `effects`).
struct ScriptReading {
    std::string music_path;
    uint32_t start_offset = 0;
    EffectList effects;
    std::vector<std::string> texts;
    int kept = 0;               // effects taken from the earlier reading
    bool whole_header = false;  // the three header lines were all there
};

// Reads an open script into `reading` (whose lists must be empty), taking
// effects from `earlier` where an entry's text is unchanged.
void ReadScriptEntries(FILE* stream, ScriptReading& reading, ScriptReading& earlier,
                       EffectLookup lookup, ScriptProgress& progress);

// Opens and reads `path`. With a presenter the loading screen rises as at
// start-up; without one nothing is drawn. Besides the failures of
// ReadScriptEntries, raises "Unable to load <path>" for a file that cannot be
// opened or is a folder, and, when `whole_header` is set, "<path> is cut
// short: its header (music, start offset, entry count) is incomplete" for a
// file that ends within its first three value lines, such as an empty one.
void LoadScriptEntries(const char* path, ScriptReading& reading, ScriptReading& earlier,
                       EffectLookup lookup, FramePresenter* presenter, bool whole_header);
