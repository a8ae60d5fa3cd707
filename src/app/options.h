// Command-line options. With none, the program behaves as the show always
// does: settings dialog, full screen, sound, message box on failure.
//
//   --no-dialog       no settings dialog (defaults) and no message box:
//                     failures go to standard error only
//   --windowed        a resizable window instead of full screen
//   --size WxH        the window size instead of the dialog's choice
//   --capture DIR     render offline into DIR/000000.png, 000001.png, ...
//                     with no sound and no dialog or message box; frame k
//                     shows demo time
//                     from + floor(k x 1000 / fps) for every such time <= to
//   --fps N           capture rate (default 60)
//   --from MS         first captured demo time (default: the show's first frame)
//   --to MS           last captured demo time (default: the end of the last
//                     entry the music reaches, at most where the music ends)
//   --tweak           the tweak panel over the show (F1 hides and shows it)
//   --watch           reload changed files (script, shaders, pictures,
//                     meshes, the clip) while the show plays
//   --start MS        real-time playback starts at demo time MS
//   --loop FROM:TO    real-time playback repeats FROM..TO
//   --help            list the options
// The last four are the authoring options: with any of them Space pauses
// and resumes. They do not change a capture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/playback.h"

struct Options {
    bool no_dialog = false;
    bool windowed = false;
    bool help = false;
    std::optional<int> width, height;
    std::optional<std::string> capture_dir;
    int fps = 60;
    std::optional<uint32_t> from_ms, to_ms;

    // True when nobody is there to answer a dialog (--no-dialog, or a run
    // that writes files such as a capture): no settings dialog and no message
    // box; messages go to standard error only.
    bool Unattended() const { return no_dialog || capture_dir.has_value(); }

    bool tweak = false;
    bool watch = false;
    std::optional<uint32_t> start_ms;
    std::optional<LoopRange> loop;

    // Any of the authoring options.
    bool Authoring() const { return tweak || watch || start_ms || loop; }
};

// "FROM:TO" with whole milliseconds and FROM < TO.
bool ParseLoopRange(const char* text, LoopRange& range);

// Parses argv[1..]. On a bad option returns false and says why in `error`.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

// The text --help prints.
const char* UsageText();
