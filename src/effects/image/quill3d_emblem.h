// The emblem Quill3D shows, compiled in as three tables: a sun disc ringed by
// eight curved rays, a plate 0.02 thick spanning -0.5..0.5 in x and y.
//
// A face lists three vertex indices, then the normal index of each corner in
// the same order; faces wind counter-clockwise seen from the side their
// normals face. The tables are written by tools/make_emblem.
#pragma once

#include <cstdint>

namespace Effekter {

constexpr int kEmblemFaces = 252;
constexpr int kEmblemVertices = 144;
constexpr int kEmblemNormals = 272;

extern const int16_t kEmblemFaceTable[kEmblemFaces][6];
extern const float kEmblemVertexTable[kEmblemVertices][3];  // x, y, z
extern const float kEmblemNormalTable[kEmblemNormals][3];   // unit length

}  // namespace Effekter
