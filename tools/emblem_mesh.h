// The emblem that Quill3D shows: a sun disc ringed by eight curved rays, each
// piece a closed plate 0.02 thick (front at z = 0.01, back at z = -0.01, a rim
// joining them), spanning -0.5..0.5 in x and y.
//
// BuildEmblem() makes the three tables the effect compiles in (252 faces of
// three vertex and three normal indices, 144 vertices, 272 unit normals);
// EmblemSource() prints them as the C++ source the effect compiles, so the
// emblem can be remade with make_emblem. Faces wind counter-clockwise seen
// from the side their normals face, which two-sided lighting relies on.
// Plain CPU code; the same program always prints the same text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace emblem {

struct Mesh {
    std::vector<std::array<int16_t, 6>> faces;  // vertex indices, then normal indices
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<float, 3>> normals;
};

Mesh BuildEmblem();

// The source file src/effects/image/quill3d_emblem.cpp for `mesh`.
std::string EmblemSource(const Mesh& mesh);

}  // namespace emblem
