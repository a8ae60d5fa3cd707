// Loads a 60,000-triangle mesh written by our 3DS writer: our reader (load
// only, and load with preparation) next to lib3ds's load and assimp's import
// without post-processing, as medians of repeated runs and as ratios; then
// the heap peak of our load and the resident-memory growth of each reader,
// measured in a fresh child process each.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <lib3ds/file.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "model3ds/reader.h"
#include "write3ds.h"

// Heap accounting for operator new (our reader and assimp allocate through it).
namespace {
std::atomic<size_t> g_heap_now{0};
std::atomic<size_t> g_heap_peak{0};
}  // namespace

void* operator new(size_t size) {
    void* p = std::malloc(size + 16);
    if (!p) throw std::bad_alloc();
    *static_cast<size_t*>(p) = size;
    const size_t now = g_heap_now += size;
    size_t peak = g_heap_peak.load();
    while (now > peak && !g_heap_peak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    char* base = static_cast<char*>(p) - 16;
    g_heap_now -= *reinterpret_cast<size_t*>(base);
    std::free(base);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void* operator new[](size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {

constexpr float kPi = 3.14159265f;

// A torus of 200 x 150 quads (60,000 triangles, 30,000 vertices) in ten
// sectors of alternating smoothing groups.
write3ds::Scene BigTorus() {
    constexpr int kAround = 200, kTube = 150;
    write3ds::Mesh mesh;
    mesh.name = "Big";
    for (int i = 0; i < kAround; ++i) {
        const float u = 2 * kPi * i / kAround;
        for (int j = 0; j < kTube; ++j) {
            const float v = 2 * kPi * j / kTube;
            const float ring = 80 + 25 * std::cos(v);
            mesh.vertices.push_back({ring * std::cos(u), ring * std::sin(u), 25 * std::sin(v)});
            mesh.texcoords.push_back({float(i) / kAround, float(j) / kTube});
        }
    }
    auto index = [](int i, int j) {
        return static_cast<uint16_t>((i % kAround) * kTube + (j % kTube));
    };
    for (int i = 0; i < kAround; ++i) {
        for (int j = 0; j < kTube; ++j) {
            mesh.faces.push_back({index(i, j), index(i + 1, j), index(i + 1, j + 1)});
            mesh.faces.push_back({index(i, j), index(i + 1, j + 1), index(i, j + 1)});
            const uint32_t group = (i / 20) % 2 ? 2 : 1;
            mesh.smoothing.push_back(group);
            mesh.smoothing.push_back(group);
        }
    }
    write3ds::Material m;
    m.name = "Steel";
    mesh.groups.push_back({"Steel", {}});
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        mesh.groups[0].faces.push_back(static_cast<uint16_t>(f));
    }
    write3ds::Scene scene;
    scene.materials.push_back(m);
    scene.meshes.push_back(mesh);
    return scene;
}

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
long StatusKb(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long value = -1;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            value = std::atol(line + length + 1);
            break;
        }
    }
    std::fclose(f);
    return value;
}

// Resident-memory growth (KiB) of one run of `work` in a fresh child: the
// child returns its free heap to the system, resets its resident peak
// (clear_refs 5) and reports the peak reached by the work over its start.
long ChildRssGrowthKb(const std::function<void()>& work) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipe_fds[0]);
        malloc_trim(0);
        if (std::FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", clear);
            std::fclose(clear);
        }
        const long before = StatusKb("VmRSS");
        work();
        const long growth = StatusKb("VmHWM") - before;
        if (write(pipe_fds[1], &growth, sizeof growth) != sizeof growth) _exit(1);
        _exit(0);
    }
    close(pipe_fds[1]);
    long growth = -1;
    if (read(pipe_fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return growth;
}

}  // namespace

int main() {
    const std::string path = "/tmp/bench_3ds_" + std::to_string(getpid()) + ".3ds";
    if (!write3ds::Save3ds(BigTorus(), path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    {
        L3DS check(path.c_str());
        if (check.MeshCount() != 1) {
            std::fprintf(stderr, "our reader found no mesh\n");
            return 1;
        }
        std::printf("file: %s, %u triangles, %u vertices after preparation\n", path.c_str(),
                    check.MeshAt(0).TriangleCount(), check.MeshAt(0).VertexCount());
    }

    auto ours_load = [&] { L3DS model(path.c_str(), L3DS::Preparation::kSkip); };
    auto ours_prepared = [&] { L3DS model(path.c_str()); };
    auto lib3ds = [&] {
        Lib3dsFile* file = lib3ds_file_load(path.c_str());
        if (file) lib3ds_file_free(file);
    };
    auto assimp = [&] {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path, 0);
        if (!scene) std::fprintf(stderr, "assimp: %s\n", importer.GetErrorString());
    };

    constexpr int kRuns = 15;
    ours_prepared();  // warm the file cache
    const double t_load = MedianMs(kRuns, ours_load);
    const double t_prepared = MedianMs(kRuns, ours_prepared);
    const double t_lib3ds = MedianMs(kRuns, lib3ds);
    const double t_assimp = MedianMs(kRuns, assimp);

    std::printf("median of %d runs (ms):\n", kRuns);
    std::printf("  ours, load only          %8.2f\n", t_load);
    std::printf("  ours, load + prepare     %8.2f\n", t_prepared);
    std::printf("  lib3ds load              %8.2f\n", t_lib3ds);
    std::printf("  assimp import (no post)  %8.2f\n", t_assimp);
    std::printf("ratios:\n");
    std::printf("  ours load / lib3ds            %.2f\n", t_load / t_lib3ds);
    std::printf("  ours load+prepare / lib3ds    %.2f\n", t_prepared / t_lib3ds);
    std::printf("  ours load / assimp            %.2f\n", t_load / t_assimp);
    std::printf("  ours load+prepare / assimp    %.2f\n", t_prepared / t_assimp);

    g_heap_peak = g_heap_now.load();
    const size_t heap_base = g_heap_now;
    ours_prepared();
    std::printf("memory:\n");
    std::printf("  ours, heap peak of load + prepare   %.2f MiB\n",
                (g_heap_peak - heap_base) / 1048576.0);
    std::printf("  resident growth, ours load+prepare  %ld KiB\n", ChildRssGrowthKb(ours_prepared));
    std::printf("  resident growth, lib3ds load        %ld KiB\n", ChildRssGrowthKb(lib3ds));
    std::printf("  resident growth, assimp import      %ld KiB\n", ChildRssGrowthKb(assimp));
    std::remove(path.c_str());
    return 0;
}
