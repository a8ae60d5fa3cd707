#include "model3ds/scene.h"

#include <cstring>

namespace {
const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}  // namespace

LMesh::LMesh() { MakeEmpty(); }

LMesh::~LMesh() { MakeEmpty(); }

void LMesh::MakeEmpty() {
    vertices_.clear();
    normals_.clear();
    binormals_.clear();
    tangents_.clear();
    texcoords_.clear();
    faces_.clear();
    triangles_.clear();
    material_ids_.clear();
    std::memcpy(matrix_, kIdentity, sizeof matrix_);
}

void LMesh::ResizeVertices(uint32_t count) {
    vertices_.resize(count);
    normals_.resize(count);
    binormals_.resize(count);
    tangents_.resize(count);
    texcoords_.resize(count);
}

void LMesh::ResizeTriangles(uint32_t count) {
    faces_.resize(count);
    triangles_.resize(count);
}

void LMesh::StoreVertex(const Vec4& vertex, uint32_t index) {
    if (index < vertices_.size()) vertices_[index] = vertex;
}

void LMesh::StoreTexCoord(const TexCoord& coordinate, uint32_t index) {
    if (index < texcoords_.size()) texcoords_[index] = coordinate;
}

void LMesh::StoreTriangle(const MeshTriangle& triangle, uint32_t index) {
    if (index < triangles_.size()) triangles_[index] = triangle;
}

uint32_t LMesh::AddMaterialId(uint32_t id) {
    material_ids_.push_back(id);
    return static_cast<uint32_t>(material_ids_.size() - 1);
}

void LMesh::StoreMatrix(const float matrix[16]) { std::memcpy(matrix_, matrix, sizeof matrix_); }

uint32_t LMesh::DuplicateVertex(uint32_t v) {
    // Copies first: push_back may reallocate under a reference into the list.
    const Vec4 position = vertices_[v];
    const Vec3 normal = normals_[v], binormal = binormals_[v], tangent = tangents_[v];
    const TexCoord uv = texcoords_[v];
    vertices_.push_back(position);
    normals_.push_back(normal);
    binormals_.push_back(binormal);
    tangents_.push_back(tangent);
    texcoords_.push_back(uv);
    return static_cast<uint32_t>(vertices_.size() - 1);
}
