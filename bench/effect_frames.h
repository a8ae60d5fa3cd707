// Effect frame times for benchmarks: each subject is drawn as the frame loop
// draws it (clear colour and depth, then Draw) over a run of frames, next to
// a cleared frame and one plain full-screen textured quad measured in the
// same run, so the figures read as multiples of the fill-rate bound. Heap
// allocations per frame are counted on the main thread.
//
// Needs a current GL context (EnsureGlContext) and the source root as the
// working directory (the quad's picture is data/plasma/__water.jpg).
//
//   int main(int argc, char** argv) {
//       if (!bench::OpenBenchContext()) return 1;
//       bench::PrintEffectFrameTables(bench::FramesArgument(argc, argv, 300), [] {
//           auto strobo = std::make_shared<Effekter::Stroboskop>(0, 1000000);
//           return std::vector<bench::Subject>{bench::EffectSubject("Stroboskop", strobo)};
//       });
//   }
//
// The maker runs after the window size is set, so effects that size render
// targets by the window see the size being measured.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Effekt;

namespace bench {

struct Subject {
    std::string name;
    std::function<void(uint32_t demo_time, float beat)> draw;
};

// A subject that draws `effect` (kept alive by the subject).
Subject EffectSubject(std::string name, std::shared_ptr<Effekt> effect);

struct FrameResult {
    double ms = 0;                 // mean frame time, glFinish at the end
    double news_per_frame = 0;     // operator new calls (the effect's own heap use)
    double mallocs_per_frame = 0;  // every malloc of the main thread, the driver's too
};

// Draws 20 warm-up frames, then times `frames` frames at demo times
// first_time + 17 i with a beat swinging between 0 and 1, then counts the
// allocations of 100 more.
FrameResult MeasureFrames(const Subject& subject, int frames, uint32_t first_time = 5000);

// Opens the GL context (a 1024 x 768 window) and prints the renderer's name;
// false, after saying why, when no context can be made.
bool OpenBenchContext();
// The frame count of a benchmark: argv[1] (at least 10), or `fallback`.
int FramesArgument(int argc, char** argv, int fallback);

// The header, the table at 640 x 480 and at 1024 x 768, then the footer.
void PrintEffectFrameTables(int frames, const std::function<std::vector<Subject>()>& make_subjects,
                            uint32_t first_time = 5000);

void PrintEffectFrameHeader(int frames);
// Sets the window size to width x height, builds the subjects and prints a
// line for "clear only", "plain textured quad" and each subject.
void PrintEffectFrameTable(int width, int height, int frames,
                           const std::function<std::vector<Subject>()>& make_subjects,
                           uint32_t first_time = 5000);
void PrintEffectFrameFooter();

}  // namespace bench
