// Command-line options. With none, the program behaves as the show always
// does: settings dialog, full screen, sound, message box on failure.
//
//   --show DIR        play the show in DIR (script DIR/data/demo.txt, every
//                     path of the show relative to DIR)
//   --new-show DIR    write a starter show into DIR (new or empty) and end
//   --no-dialog       no settings dialog (defaults) and no message box:
//                     failures go to standard error only
//   --windowed        a resizable window instead of full screen
//   --size WxH        the window size instead of the dialog's choice
//   --capture DIR     render offline into DIR/000000.png, 000001.png, ...
//                     with no sound and no dialog or message box; frame k
//                     shows demo time
//                     from + floor(k x 1000 / fps) for every such time <= to
//   --export FILE     render offline like --capture and encode the frames
//                     and the music into one video file: *.mp4 (H.264 and
//                     AAC) or *.webm (VP9 and Opus)
//   --timedemo        render the range at fixed steps as fast as possible,
//                     write no file, print frame times per script entry
//   --fps N           frames per second of demo time for the three above
//                     (default 60)
//   --from MS         first rendered demo time (default: the show's first frame)
//   --to MS           last rendered demo time (default: the end of the last
//                     entry the music reaches, at most where the music ends)
//   --tweak           the tweak panel over the show (F1 hides and shows it)
//   --watch           reload changed files (script, shaders, pictures,
//                     meshes, the clip) while the show plays
//   --start MS        real-time playback starts at demo time MS
//   --loop FROM:TO    real-time playback repeats FROM..TO
//   --scale F|auto    draw frames at F (0.25 to 1) of the window's sides and
//                     stretch them over it, or adjust that between frames to
//                     hold the display's refresh rate (default: 1, auto on a
//                     software GL renderer; capture, export and timedemo: F
//                     when given, else 1)
//   --stats           real-time play shows frame rate, frame times, scale
//                     and the entries on screen (F2 shows and hides it)
//   --help            list the options
// The last four are the authoring options: with any of them Space pauses
// and resumes. They do not change a capture, an export or a timedemo.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/core/render_scale.h"
#include "app/live/playback.h"

struct Options {
    bool no_dialog = false;
    bool windowed = false;
    bool help = false;
    std::optional<std::string> show_dir;
    std::optional<std::string> new_show_dir;
    std::optional<int> width, height;
    std::optional<std::string> capture_dir;
    std::optional<std::string> export_path;
    bool timedemo = false;
    int fps = 60;
    bool fps_given = false;  // --fps was on the command line
    std::optional<uint32_t> from_ms, to_ms;
    std::optional<RenderScale> scale;
    bool stats = false;

    // Capture, export or timedemo: the show is rendered at fixed steps of
    // demo time instead of following the music as it plays.
    bool Offline() const { return capture_dir || export_path || timedemo; }

    // True when nobody is there to answer a dialog (--no-dialog, or a run
    // that renders offline): no settings dialog and no message box; messages
    // go to standard error only.
    bool Unattended() const { return no_dialog || Offline(); }

    bool tweak = false;
    bool watch = false;
    std::optional<uint32_t> start_ms;
    std::optional<LoopRange> loop;

    // Any of the authoring options.
    bool Authoring() const { return tweak || watch || start_ms || loop; }
};

// What the given options leave aside, for standard error (empty: nothing):
// the authoring options in an offline run; --from, --to and --fps in
// real-time play; --start outside --loop (playing starts at the loop's
// start instead, see LiveStart).
std::string IgnoredOptionsNote(const Options& options);

// --start, unless it lies outside --loop (none then: real-time play starts
// at the loop's start).
std::optional<uint32_t> LiveStart(const Options& options);

// "FROM:TO" with whole milliseconds and FROM < TO.
bool ParseLoopRange(const char* text, LoopRange& range);

// Parses argv[1..]. On a bad option returns false and says why in `error`.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

// The text --help prints, for the program called `program`.
std::string UsageText(const char* program = "demo");
