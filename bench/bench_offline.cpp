// The show's own figures, from runs of build/demo on data/demo.txt as it is:
//  1. --timedemo of the whole show at 640 x 480 and 1024 x 768: frames per
//     second, and the five entries with the slowest median frame, each as a
//     multiple of a frame that draws one plain full-screen textured quad
//     (a timedemo of a ShaderShow entry without a shader);
//  2. capture (PNG), export (.mp4 and .webm) and timedemo of one range at
//     640 x 480 next to each other: frames per second, and the share of the
//     time spent encoding (the worker threads' busy time over the run's
//     wall time and threads);
//  3. start-up to the first frame (as the timedemo reports it, and the wall
//     time of a one-frame run) for the show and for a script that loads
//     every effect of this build once, one after another.
//
// Usage, from the source root, under a display:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench_offline [FROM TO]
// FROM and TO (ms) choose the range of the second measurement (default
// 30000 35000).
// Each measurement runs the demo as a separate process; nothing is timed here but
// what the demo prints, and the wall time of the start-up runs.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "factory/factory.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

std::string Root() {
    char here[4096];
    return getcwd(here, sizeof here) ? here : ".";
}

CommandResult Demo(const std::string& dir, const std::string& args, int timeout = 3600) {
    return RunCommand("env -u LSAN_OPTIONS '" + DemoExecutable() + "' --no-dialog " + args, dir,
                      timeout);
}

struct Row {
    std::string keyword, span;
    long frames = 0;
    double median = 0, p95 = 0;
};

struct Timedemo {
    bool ok = false;
    std::vector<Row> rows;
    long frames = 0;
    double seconds = 0, fps = 0, median = 0, p95 = 0, first_frame_ms = 0;
    std::string error;
};

Timedemo RunTimedemo(const std::string& dir, const std::string& args) {
    Timedemo t;
    const CommandResult r = Demo(dir, "--timedemo " + args);
    std::istringstream lines(r.out);
    std::string line;
    bool table = false;
    while (std::getline(lines, line)) {
        if (sscanf(line.c_str(), "First frame shown %lf ms", &t.first_frame_ms) == 1) continue;
        if (line.rfind("entry ", 0) == 0) {
            table = true;
            continue;
        }
        if (sscanf(line.c_str(),
                   "Whole range: %ld frames in %lf s, %lf frames per second (median %lf ms, 95th "
                   "percentile %lf ms)",
                   &t.frames, &t.seconds, &t.fps, &t.median, &t.p95) == 5) {
            t.ok = true;
            table = false;
            continue;
        }
        if (!table) continue;
        Row row;
        char keyword[128], span[64], median[32], p95[32];
        if (sscanf(line.c_str(), "%127s %63s %ld %31s %31s", keyword, span, &row.frames, median,
                   p95) == 5) {
            row.keyword = keyword;
            row.span = span;
            row.median = atof(median);
            row.p95 = atof(p95);
            t.rows.push_back(row);
        }
    }
    if (!t.ok) t.error = "exit " + std::to_string(r.exit_code) + ": " + r.err.substr(0, 400);
    return t;
}

// A folder whose data/ holds the source tree's data except the script.
void LinkData(const std::string& dir) {
    fs::create_directories(dir + "/data");
    for (const auto& entry : fs::directory_iterator("data"))
        if (entry.path().filename() != "demo.txt")
            fs::create_symlink(fs::absolute(entry.path()),
                               dir + "/data/" + entry.path().filename().string());
}

// 1. The whole show.
void WholeShow() {
    std::printf(
        "1. Timedemo of the whole show (data/demo.txt), 60 frames per second of demo time\n");
    ScratchDir quad_dir;
    LinkData(quad_dir.path());
    quad_dir.Write("data/demo.txt",
                   "data/none.ogg\n0\n1\nShaderShow\n0\n100000\n\ndata/plasma/__water.jpg\n");
    for (const auto& size : {std::pair<int, int>{640, 480}, {1024, 768}}) {
        const std::string dims = std::to_string(size.first) + "x" + std::to_string(size.second);
        const Timedemo quad =
            RunTimedemo(quad_dir.path(), "--size " + dims + " --from 1000 --to 11000");
        const Timedemo show = RunTimedemo(Root(), "--size " + dims);
        if (!show.ok || !quad.ok) {
            std::printf("  %s: failed (%s)\n", dims.c_str(), (show.ok ? quad : show).error.c_str());
            continue;
        }
        std::printf(
            "  %s: %ld frames in %.1f s, %.1f frames per second (median %.2f ms, p95 %.2f "
            "ms); one plain full-screen quad: median %.2f ms\n",
            dims.c_str(), show.frames, show.seconds, show.fps, show.median, show.p95, quad.median);
        std::vector<Row> rows = show.rows;
        rows.erase(
            std::remove_if(rows.begin(), rows.end(), [](const Row& r) { return r.frames == 0; }),
            rows.end());
        std::sort(rows.begin(), rows.end(),
                  [](const Row& a, const Row& b) { return a.median > b.median; });
        std::printf("    %-18s %-16s %7s %10s %9s %8s\n", "slowest entries", "start-end ms",
                    "frames", "median ms", "p95 ms", "x quad");
        for (size_t i = 0; i < rows.size() && i < 5; ++i)
            std::printf("    %-18s %-16s %7ld %10.2f %9.2f %8.1f\n", rows[i].keyword.c_str(),
                        rows[i].span.c_str(), rows[i].frames, rows[i].median, rows[i].p95,
                        quad.median > 0 ? rows[i].median / quad.median : 0.0);
    }
}

// The numbers of a capture's or an export's closing line.
struct Offline {
    bool ok = false;
    long frames = 0;
    double seconds = 0, fps = 0, busy = 0;
    int threads = 1;
    std::string error;
};

Offline RunOffline(const std::string& args) {
    Offline o;
    const CommandResult r = Demo(Root(), args);
    size_t at = r.err.find("Captured ");
    if (at != std::string::npos) {
        char folder[1024];
        o.ok = sscanf(r.err.c_str() + at,
                      "Captured %ld frames into %1023s in %lf s (%lf fps); writing PNG files took "
                      "%lf s on %d threads",
                      &o.frames, folder, &o.seconds, &o.fps, &o.busy, &o.threads) == 6;
    }
    at = r.err.find("Exported ");
    if (at != std::string::npos) {
        double show = 0;
        char file[1024];
        o.ok = sscanf(r.err.c_str() + at,
                      "Exported %ld frames (%lf s of show) to %1023s in %lf s (%lf fps); encoding "
                      "took %lf s",
                      &o.frames, &show, file, &o.seconds, &o.fps, &o.busy) == 6;
    }
    if (!o.ok) o.error = "exit " + std::to_string(r.exit_code) + ": " + r.err.substr(0, 400);
    return o;
}

// 2. Capture and export next to the timedemo of the same range.
void OfflineSpeed(const std::string& from, const std::string& to) {
    std::printf("\n2. One range (%s to %s ms) at 640x480, 60 frames per second of demo time\n",
                from.c_str(), to.c_str());
    const std::string range = "--size 640x480 --from " + from + " --to " + to;
    const Timedemo timedemo = RunTimedemo(Root(), range);
    if (!timedemo.ok) {
        std::printf("  timedemo failed (%s)\n", timedemo.error.c_str());
        return;
    }
    std::printf("  %-22s %7s %9s %14s %22s\n", "run", "frames", "fps", "x timedemo",
                "encoding share");
    std::printf("  %-22s %7ld %9.1f %14.2f %22s\n", "timedemo", timedemo.frames, timedemo.fps, 1.0,
                "-");
    ScratchDir out;
    const struct {
        const char* name;
        std::string args;
    } runs[] = {
        {"capture (PNG)", "--capture '" + out.path() + "/frames'"},
        {"export .mp4", "--export '" + out.path() + "/show.mp4'"},
        {"export .webm", "--export '" + out.path() + "/show.webm'"},
    };
    for (const auto& run : runs) {
        const Offline o = RunOffline(run.args + " " + range);
        if (!o.ok) {
            std::printf("  %-22s failed (%s)\n", run.name, o.error.c_str());
            continue;
        }
        char share[64];
        snprintf(share, sizeof share, "%.0f%% of %d thread%s",
                 100.0 * o.busy / (o.seconds * o.threads), o.threads, o.threads == 1 ? "" : "s");
        std::printf("  %-22s %7ld %9.1f %14.2f %22s\n", run.name, o.frames, o.fps,
                    o.fps / timedemo.fps, share);
    }
}

// One line of further lines per keyword, for a script that loads them all.
struct Entry {
    const char* keyword;
    const char* further;
};
const Entry kEveryEntry[] = {
    {"Plugin", "libsample_plugin.so\n3.001 2 2 3.003 0.02\n"},
    {"ChaosZoomer", ""},
    {"Stroboskop", ""},
    {"Rubber3d", ""},
    {"Plasma2D", "7\n"},
    {"Brum", ""},
    {"Banger", ""},
    {"ColorBox", ""},
    {"Zoomba", ""},
    {"Zoombb", ""},
    {"Solaris", ""},
    {"FlashWhite", ""},
    {"PolarCoords", ""},
    {"FogRotator", ""},
    {"AlphaBlendImage", "data/captions/title.png\nUP\n"},
    {"Tunnel", ""},
    {"Faces", ""},
    {"TwistBox", ""},
    {"Circles", ""},
    {"NanoBall", ""},
    {"Overlays", ""},
    {"ShaderSuite3D", ""},
    {"Quill3D", ""},
    {"Prikker", ""},
    {"Video", ""},
    {"ShaderShow", "data/showshaders/ripple.fs\ndata/show/glass.jpg\n"},
};

// The start offset N of a script: its second value line.
long StartOffset(const std::string& path) {
    FILE* file = fopen(path.c_str(), "r");
    if (!file) return 0;
    char line[1024];
    int values = 0;
    long n = 0;
    while (fgets(line, sizeof line, file))
        if (line[0] != '#' && ++values == 2) {
            n = atol(line);
            break;
        }
    fclose(file);
    return n;
}

// 3. Start-up.
void StartUp() {
    std::printf("\n3. Start-up to the first frame at 640x480 (3 runs each)\n");
    ScratchDir every;
    LinkData(every.path());
    std::string script = "data/music/kiln.ogg\n0\n";
    std::string body;
    int count = 0;
    for (const Entry& e : kEveryEntry) {
        if (!FindEffectMaker(e.keyword)) continue;
        body += std::string(e.keyword) + "\n" + std::to_string(count * 1000) + "\n" +
                std::to_string(count * 1000 + 1000) + "\n" + e.further;
        ++count;
    }
    every.Write("data/demo.txt", script + std::to_string(count) + "\n" + body);
    // The show's first frame: demo time N x 1001 (the music starts N s in and
    // N ms are added), one 60th of a second later so that it draws.
    const long n = StartOffset("data/demo.txt");
    const std::string first = std::to_string(n * 1001 + 17);
    const struct {
        std::string label, dir, range;
    } cases[] = {
        {"data/demo.txt", Root(), "--from " + first + " --to " + first},
        {"every effect (" + std::to_string(count) + " entries)", every.path(), "--from 17 --to 17"},
    };
    std::printf("  %-34s %18s %18s\n", "script", "first frame ms", "process wall ms");
    for (const auto& c : cases) {
        std::vector<double> first_ms, wall_ms;
        for (int i = 0; i < 3; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const Timedemo t = RunTimedemo(c.dir, "--size 640x480 " + c.range);
            const double wall =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            if (!t.ok) {
                std::printf("  %-34s failed (%s)\n", c.label.c_str(), t.error.c_str());
                break;
            }
            first_ms.push_back(t.first_frame_ms);
            wall_ms.push_back(wall);
        }
        if (first_ms.empty()) continue;
        std::sort(first_ms.begin(), first_ms.end());
        std::sort(wall_ms.begin(), wall_ms.end());
        std::printf("  %-34s %8.0f (best %4.0f) %8.0f (best %4.0f)\n", c.label.c_str(),
                    first_ms[first_ms.size() / 2], first_ms.front(), wall_ms[wall_ms.size() / 2],
                    wall_ms.front());
    }
    std::printf(
        "  (median of the runs; the first frame as the demo reports it, counted from its\n"
        "  own start, so the process wall time adds loading the program and shutting down)\n");
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is known
    struct stat info;
    if (stat(DemoExecutable().c_str(), &info) != 0 || stat("data/demo.txt", &info) != 0) {
        std::printf("Run from the source root with %s built\n", DemoExecutable().c_str());
        return 1;
    }
    const std::string from = argc > 2 ? argv[1] : "30000";
    const std::string to = argc > 2 ? argv[2] : "35000";
    WholeShow();
    OfflineSpeed(from, to);
    StartUp();
    return 0;
}
