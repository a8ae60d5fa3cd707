#include "app/options.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/video_file.h"

namespace {

// A whole decimal number in [low, high].
bool ParseNumber(const char* text, long long low, long long high, long long& value) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) return false;
    value = v;
    return true;
}

bool ParseSize(const char* text, int& width, int& height) {
    const char* x = text ? strchr(text, 'x') : nullptr;
    if (!x) return false;
    const std::string w(text, x - text);
    long long a = 0, b = 0;
    if (!ParseNumber(w.c_str(), 1, 16384, a) || !ParseNumber(x + 1, 1, 16384, b)) return false;
    width = static_cast<int>(a);
    height = static_cast<int>(b);
    return true;
}

// "out/.mp4", "out/": a folder with no file name in it.
bool HasEmptyFileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return name.empty() || name == ".mp4" || name == ".webm";
}

bool StartOutsideLoop(const Options& options) {
    return options.start_ms && options.loop &&
           (*options.start_ms < options.loop->from || *options.start_ms >= options.loop->to);
}

}  // namespace

bool ParseLoopRange(const char* text, LoopRange& range) {
    const char* colon = text ? strchr(text, ':') : nullptr;
    if (!colon) return false;
    const std::string from(text, colon - text);
    long long a = 0, b = 0;
    if (!ParseNumber(from.c_str(), 0, UINT32_MAX, a) || !ParseNumber(colon + 1, 0, UINT32_MAX, b) ||
        a >= b)
        return false;
    range.from = static_cast<uint32_t>(a);
    range.to = static_cast<uint32_t>(b);
    return true;
}

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long long number = 0;
        if (arg == "--no-dialog") {
            options.no_dialog = true;
        } else if (arg == "--windowed") {
            options.windowed = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--size") {
            int w = 0, h = 0;
            if (!ParseSize(value, w, h)) {
                error = "--size needs WIDTHxHEIGHT, each from 1 to 16384, for example 1280x720";
                return false;
            }
            options.width = w;
            options.height = h;
            ++i;
        } else if (arg == "--show" || arg == "--new-show") {
            if (!value || !*value) {
                error = arg + " needs a folder";
                return false;
            }
            (arg == "--show" ? options.show_dir : options.new_show_dir) = value;
            ++i;
        } else if (arg == "--capture") {
            if (!value || !*value) {
                error = "--capture needs a folder";
                return false;
            }
            options.capture_dir = value;
            ++i;
        } else if (arg == "--export") {
            if (!value || !*value) {
                error = "--export needs a file name ending in .mp4 or .webm";
                return false;
            }
            if (HasEmptyFileName(value)) {
                error = std::string("--export cannot write '") + value +
                        "': the file name before .mp4 or .webm is empty";
                return false;
            }
            if (!IsVideoFileName(value)) {
                error = std::string("--export cannot write '") + value +
                        "': the name must end in .mp4 (H.264 video, AAC audio) or .webm (VP9 "
                        "video, Opus audio)";
                return false;
            }
            options.export_path = value;
            ++i;
        } else if (arg == "--timedemo") {
            options.timedemo = true;
        } else if (arg == "--fps") {
            if (!ParseNumber(value, 1, 1000, number)) {
                error = "--fps needs a whole number from 1 to 1000";
                return false;
            }
            options.fps = static_cast<int>(number);
            options.fps_given = true;
            ++i;
        } else if (arg == "--from" || arg == "--to") {
            if (!ParseNumber(value, 0, UINT32_MAX, number)) {
                error = arg + " needs a demo time in milliseconds (0 to 4294967295)";
                return false;
            }
            (arg == "--from" ? options.from_ms : options.to_ms) = static_cast<uint32_t>(number);
            ++i;
        } else if (arg == "--scale") {
            RenderScale scale;
            if (!ParseRenderScale(value, scale)) {
                error = "--scale needs auto or a number from 0.25 to 1, for example 0.5";
                return false;
            }
            options.scale = scale;
            ++i;
        } else if (arg == "--stats") {
            options.stats = true;
        } else if (arg == "--tweak") {
            options.tweak = true;
        } else if (arg == "--watch") {
            options.watch = true;
        } else if (arg == "--start") {
            if (!ParseNumber(value, 0, UINT32_MAX, number)) {
                error = "--start needs a demo time in milliseconds (0 to 4294967295)";
                return false;
            }
            options.start_ms = static_cast<uint32_t>(number);
            ++i;
        } else if (arg == "--loop") {
            LoopRange range;
            if (!ParseLoopRange(value, range)) {
                error =
                    "--loop needs FROM:TO in milliseconds with FROM before TO, for example "
                    "23220:46450";
                return false;
            }
            options.loop = range;
            ++i;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if ((options.capture_dir ? 1 : 0) + (options.export_path ? 1 : 0) + (options.timedemo ? 1 : 0) >
        1) {
        error = "--capture, --export and --timedemo cannot be combined: choose one";
        return false;
    }
    return true;
}

std::string IgnoredOptionsNote(const Options& options) {
    std::string note;
    if (options.Offline()) {
        if (options.Authoring())
            note +=
                "--tweak, --watch, --start and --loop do not change a capture, an export or a "
                "timedemo\n";
        if (options.stats) note += "--stats does not change a capture, an export or a timedemo\n";
        return note;
    }
    if (options.from_ms || options.to_ms || options.fps_given)
        note +=
            "--from, --to and --fps set the range of a capture, an export or a timedemo; "
            "real-time play ignores them (--start and --loop choose what plays)\n";
    if (StartOutsideLoop(options)) {
        char text[200];
        snprintf(text, sizeof text,
                 "--start %u lies outside --loop %u:%u; playing starts at the loop's start, %u\n",
                 *options.start_ms, options.loop->from, options.loop->to, options.loop->from);
        note += text;
    }
    return note;
}

std::optional<uint32_t> LiveStart(const Options& options) {
    if (StartOutsideLoop(options)) return std::nullopt;
    return options.start_ms;
}

std::string UsageText(const char* program) {
    return std::string("Usage: ") + program +
           " [options]\n"
           "Plays a show: the script data/demo.txt and the files it names, in the folder\n"
           "given with --show. Without it the installed program plays the show installed\n"
           "with it, and the program in its build folder the show in the working folder.\n"
           "\n"
           "  --show DIR      play the show in DIR: its script is DIR/data/demo.txt, and\n"
           "                  every path the show names is relative to DIR\n"
           "  --new-show DIR  write a starter show into DIR (a new or empty folder) and\n"
           "                  say how to play it; nothing is ever overwritten\n"
           "  --no-dialog     skip the settings dialog and show no message box;\n"
           "                  failures are written to standard error only\n"
           "  --windowed      play in a window instead of full screen\n"
           "  --size WxH      window size, for example 1280x720 (each side 1 to 16384)\n"
           "  --capture DIR   render the show offline into DIR/000000.png, 000001.png, ...\n"
           "                  (no sound, no dialog or message box; the same inputs give\n"
           "                  the same pictures)\n"
           "  --export FILE   render the show offline like --capture and encode it with\n"
           "                  its music into one video file: a name ending in .mp4 gives\n"
           "                  H.264 and AAC (for ordinary players and web sites), .webm\n"
           "                  gives VP9 and Opus; nothing is left under FILE on failure\n"
           "  --timedemo      play the show at fixed steps as fast as the machine allows,\n"
           "                  write no file, and print the frame times of each script\n"
           "                  entry and the whole show's frames per second\n"
           "  --fps N         frames per second of demo time for --capture, --export and\n"
           "                  --timedemo (1 to 1000, default 60)\n"
           "  --from MS       first rendered demo time (default: the show's first frame)\n"
           "  --to MS         last rendered demo time (default: the end of the last entry\n"
           "                  the music reaches, at most where the music ends, and\n"
           "                  before an EndDemo entry that the range reaches)\n"
           "  --scale F       draw each frame at F (0.25 to 1) of the window's width and\n"
           "                  height and stretch it over the window: smoother on a weak\n"
           "                  GPU or a software renderer, a little softer to look at\n"
           "  --scale auto    choose that scale between frames (from 1/2 to 1) so the\n"
           "                  show keeps up with the display's refresh rate (60 Hz\n"
           "                  without vertical sync). Default: 1, or auto on a software\n"
           "                  GL renderer (llvmpipe, softpipe, swrast); --capture,\n"
           "                  --export and --timedemo draw at --scale F when given, else 1\n"
           "  --stats         show frames per second, the last two seconds of frame\n"
           "                  times, the render scale and the entries on screen; F2\n"
           "                  shows and hides it; at the end, standard error gets the\n"
           "                  slowest 10-second stretches of play\n"
           "  --help          show this text\n"
           "\n"
           "Working on the show (real-time playback only; capture, export and timedemo\n"
           "ignore them):\n"
           "  --tweak         show the tweak panel: a bar for every effect on screen that\n"
           "                  has tweak variables (drag, click or type to change them, or\n"
           "                  set keys), and the timeline strip (click to seek)\n"
           "  --watch         reload every file the show loaded (the script, shaders,\n"
           "                  pictures, meshes, the clip) when it changes on disk, while\n"
           "                  the music plays on; a file that no longer loads keeps its\n"
           "                  last good version and its error is shown over the show\n"
           "  --start MS      start playing at demo time MS\n"
           "  --loop FROM:TO  play demo times FROM to TO over and over (starts at FROM\n"
           "                  unless --start, inside the range, says otherwise)\n"
           "\n"
           "Keys: Escape quits, the left and right arrows seek one second, F2 shows and\n"
           "hides the frame-time overlay.\n"
           "With --tweak, --watch, --start or --loop: Space pauses and resumes (music and\n"
           "picture). With --tweak: F1 hides and shows the panel, Ctrl+S writes the\n"
           "tweaks file beside the script (read in every mode); while the pointer is\n"
           "over the panel, or a field is being edited, keys go to the panel.\n"
           "\n"
           "Exit status:\n"
           "  0    the show ended: Escape, an EndDemo entry (\"End of show\"), or the\n"
           "       window closed or the process interrupted, terminated or hung up\n"
           "       (\"You quit?\"); also --help\n"
           "  1    a failure (missing file, unknown entry, broken shader, ...), also\n"
           "       a range that holds no frame, a file that cannot be written (a full\n"
           "       disk), the display lost\n"
           "  2    a bad option\n"
           "  255  the settings dialog was cancelled\n";
}
