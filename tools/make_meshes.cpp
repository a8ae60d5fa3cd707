// Writes the show's meshes:
//   data/rubber/simple.3ds  a three-lobed torus in six sectors that alternate
//                           between smoothing groups 1 and 2, so the sector
//                           borders show as hard edges;
//   data/misc/simple.3ds    a round blob with gentle bumps, one smoothing
//                           group, made for environment mapping; small
//                           (radius 20) so that it fits the zoomer's fog.
// Usage: make_meshes [project root]   (default: the working directory)
//        make_meshes --fuzz-seeds <dir> (small seed files for the reader's fuzzer)
#include <cmath>
#include <cstdio>
#include <string>

#include "write3ds.h"

namespace {

constexpr float kPi = 3.14159265358979f;

write3ds::Material Chrome() {
    write3ds::Material m;
    m.name = "Chrome";
    m.ambient = {0.2f, 0.2f, 0.2f};
    m.diffuse = {0.8f, 0.8f, 0.85f};
    m.specular = {1, 1, 1};
    return m;
}

void AllFacesIn(write3ds::Mesh& mesh, const std::string& material) {
    write3ds::MaterialGroup group;
    group.material = material;
    for (size_t i = 0; i < mesh.faces.size(); ++i) group.faces.push_back(static_cast<uint16_t>(i));
    mesh.groups.push_back(group);
}

// Torus in the x-y plane around the z axis, minor radius swelling three times
// around the ring. Faces wind counter-clockwise seen from outside.
write3ds::Mesh LobedTorus() {
    constexpr int kAround = 72, kTube = 36, kSectors = 6;
    constexpr float kMajor = 80, kMinor = 24, kSwell = 9;
    write3ds::Mesh mesh;
    mesh.name = "Rubber";
    for (int i = 0; i < kAround; ++i) {
        const float u = 2 * kPi * i / kAround;
        const float minor = kMinor + kSwell * std::sin(3 * u);
        for (int j = 0; j < kTube; ++j) {
            const float v = 2 * kPi * j / kTube;
            const float ring = kMajor + minor * std::cos(v);
            mesh.vertices.push_back({ring * std::cos(u), ring * std::sin(u), minor * std::sin(v)});
            mesh.texcoords.push_back(
                {static_cast<float>(i) / kAround, static_cast<float>(j) / kTube});
        }
    }
    auto index = [](int i, int j) {
        return static_cast<uint16_t>((i % kAround) * kTube + (j % kTube));
    };
    for (int i = 0; i < kAround; ++i) {
        const uint32_t group = (i / (kAround / kSectors)) % 2 == 0 ? 1 : 2;
        for (int j = 0; j < kTube; ++j) {
            const uint16_t p00 = index(i, j), p10 = index(i + 1, j);
            const uint16_t p11 = index(i + 1, j + 1), p01 = index(i, j + 1);
            mesh.faces.push_back({p00, p10, p11});
            mesh.faces.push_back({p00, p11, p01});
            mesh.smoothing.push_back(group);
            mesh.smoothing.push_back(group);
        }
    }
    AllFacesIn(mesh, "Chrome");
    return mesh;
}

// A sphere of latitude rings with a bumpy radius; faces wind counter-clockwise
// seen from outside (each is checked against its centroid direction).
// ChaosZoomer draws it at depth 400 - 50 x beat inside black fog from 300 to
// 400: with a radius of 20 (23 at the highest bump) its near side shows at
// about a fifth of its colour without beat and most of it at full beat, so
// the blob lights up with the music instead of always sticking out of the fog.
write3ds::Mesh Blob() {
    constexpr int kRings = 40, kSegments = 64;
    constexpr float kRadius = 20;
    write3ds::Mesh mesh;
    mesh.name = "Blob";
    auto radius = [](float theta, float phi) {
        // The bumps flatten out towards the poles, so the poles stay smooth.
        const float s = std::sin(theta);
        return kRadius * (1 + s * s *
                                  (0.1f * std::cos(2 * theta) * std::sin(3 * phi) +
                                   0.06f * std::cos(5 * phi + 2 * theta)));
    };
    mesh.vertices.push_back({0, kRadius, 0});
    mesh.texcoords.push_back({0.5f, 0});
    for (int r = 1; r < kRings; ++r) {
        const float theta = kPi * r / kRings;
        for (int s = 0; s < kSegments; ++s) {
            const float phi = 2 * kPi * s / kSegments;
            const float rr = radius(theta, phi);
            mesh.vertices.push_back({rr * std::sin(theta) * std::cos(phi), rr * std::cos(theta),
                                     rr * std::sin(theta) * std::sin(phi)});
            mesh.texcoords.push_back(
                {static_cast<float>(s) / kSegments, static_cast<float>(r) / kRings});
        }
    }
    const uint16_t south = static_cast<uint16_t>(mesh.vertices.size());
    mesh.vertices.push_back({0, -kRadius, 0});
    mesh.texcoords.push_back({0.5f, 1});
    auto ring = [](int r, int s) {
        return static_cast<uint16_t>(1 + (r - 1) * kSegments + (s % kSegments));
    };
    auto add = [&mesh](uint16_t a, uint16_t b, uint16_t c) {
        const auto& pa = mesh.vertices[a];
        const auto& pb = mesh.vertices[b];
        const auto& pc = mesh.vertices[c];
        const float e1[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
        const float e2[3] = {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
        const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                            e1[0] * e2[1] - e1[1] * e2[0]};
        const float centre[3] = {pa[0] + pb[0] + pc[0], pa[1] + pb[1] + pc[1],
                                 pa[2] + pb[2] + pc[2]};
        if (n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2] < 0) std::swap(b, c);
        mesh.faces.push_back({a, b, c});
    };
    for (int s = 0; s < kSegments; ++s) add(0, ring(1, s), ring(1, s + 1));
    for (int r = 1; r + 1 < kRings; ++r) {
        for (int s = 0; s < kSegments; ++s) {
            add(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1));
            add(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1));
        }
    }
    for (int s = 0; s < kSegments; ++s) add(south, ring(kRings - 1, s + 1), ring(kRings - 1, s));
    mesh.smoothing.assign(mesh.faces.size(), 1);
    AllFacesIn(mesh, "Chrome");
    return mesh;
}

bool Write(const write3ds::Mesh& mesh, const std::string& path) {
    write3ds::Scene scene;
    scene.materials.push_back(Chrome());
    scene.meshes.push_back(mesh);
    if (!write3ds::Save3ds(scene, path)) {
        std::fprintf(stderr, "make_meshes: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s: %zu vertices, %zu triangles\n", path.c_str(), mesh.vertices.size(),
                mesh.faces.size());
    return true;
}

write3ds::Mesh Cube(const std::string& name, float size, bool six_groups) {
    write3ds::Mesh mesh;
    mesh.name = name;
    for (int i = 0; i < 8; ++i) {
        mesh.vertices.push_back({i & 1 ? size : -size, i & 2 ? size : -size, i & 4 ? size : -size});
        mesh.texcoords.push_back({static_cast<float>(i & 1), static_cast<float>((i >> 1) & 1)});
    }
    // Two counter-clockwise triangles per side: -x, +x, -y, +y, -z, +z.
    const uint16_t sides[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    for (int s = 0; s < 6; ++s) {
        const uint16_t* q = sides[s];
        mesh.faces.push_back({q[0], q[1], q[2]});
        mesh.faces.push_back({q[0], q[2], q[3]});
        const uint32_t group = six_groups ? 1u << s : 1u;
        mesh.smoothing.push_back(group);
        mesh.smoothing.push_back(group);
    }
    return mesh;
}

// A material with maps, a reflection map, shading and percentages, and a
// light, built chunk by chunk (the scene writer does not cover them).
std::vector<uint8_t> MaterialsAndLight() {
    write3ds::ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    w.Begin(0xAFFF);
    w.Begin(0xA000);
    w.Name("Glass");
    w.End();
    w.Begin(0xA020);
    w.Chunk(0x0011, {200, 100, 50});
    w.End();
    w.Begin(0xA040);
    w.Chunk(0x0030, {40, 0});
    w.End();
    w.Begin(0xA050);
    w.Begin(0x0031);
    w.F32(0.25f);
    w.End();
    w.End();
    w.Begin(0xA100);
    w.U16(3);
    w.End();
    w.Begin(0xA200);
    w.Chunk(0x0030, {100, 0});
    w.Begin(0xA300);
    w.Name("wood.jpg");
    w.End();
    w.Begin(0xA354);
    w.F32(2);
    w.End();
    w.End();
    w.Begin(0xA220);
    w.Chunk(0x0030, {50, 0});
    w.Begin(0xA300);
    w.Name("");
    w.End();
    w.End();
    w.End();
    w.Begin(0x4000);
    w.Name("Lamp");
    w.Begin(0x4600);
    w.F32(10);
    w.F32(20);
    w.F32(30);
    w.Begin(0x0010);
    w.F32(1);
    w.F32(0.5f);
    w.F32(0.25f);
    w.End();
    w.End();
    w.End();
    w.End();
    w.End();
    return w.Bytes();
}

bool WriteBytes(const std::vector<uint8_t>& bytes, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool WriteSeeds(const std::string& dir) {
    write3ds::Scene cube;
    cube.materials.push_back(Chrome());
    write3ds::Material red;
    red.name = "Red";
    red.diffuse = {1, 0, 0};
    cube.materials.push_back(red);
    write3ds::Mesh mesh = Cube("Cube", 1, true);
    mesh.groups.push_back({"Chrome", {0, 1, 2, 3, 4, 5}});
    mesh.groups.push_back({"Red", {6, 7, 8, 9, 10, 11}});
    mesh.has_matrix = true;
    mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 6, 7};
    cube.meshes.push_back(mesh);

    write3ds::Scene two;
    two.meshes.push_back(Cube("A", 1, false));
    two.meshes.push_back(Cube("B", 2, true));
    two.meshes[1].texcoords.resize(5);

    return WriteBytes(write3ds::Write3ds(cube), dir + "/cube.3ds") &&
           WriteBytes(write3ds::Write3ds(two), dir + "/two_meshes.3ds") &&
           WriteBytes(MaterialsAndLight(), dir + "/materials_light.3ds");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--fuzz-seeds") {
        if (WriteSeeds(argv[2])) return 0;
        std::fprintf(stderr, "make_meshes: cannot write seeds to %s\n", argv[2]);
        return 1;
    }
    const std::string root = argc > 1 ? std::string(argv[1]) + "/" : std::string();
    const bool ok = Write(LobedTorus(), root + "data/rubber/simple.3ds") &&
                    Write(Blob(), root + "data/misc/simple.3ds");
    return ok ? 0 : 1;
}
