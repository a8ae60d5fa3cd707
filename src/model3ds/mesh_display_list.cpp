#include "model3ds/mesh_display_list.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model3ds/reader.h"
#include "platform/debug_output.h"
#include "platform/failure.h"

namespace {

// The faces of a prepared mesh, or a copy without the triangles whose corners
// name no vertex (only damaged files have them): OpenGL must never be handed
// an index past the end of the vertex arrays.
const Face* DrawableFaces(const LMesh& mesh, std::vector<Face>& filtered, GLsizei& count) {
    const uint32_t vertices = mesh.VertexCount();
    bool all_valid = true;
    for (uint32_t i = 0; i < mesh.TriangleCount() && all_valid; ++i) {
        const Face& f = *mesh.FaceData(i);
        all_valid = f.a < vertices && f.b < vertices && f.c < vertices;
    }
    if (all_valid) {
        count = static_cast<GLsizei>(3 * mesh.TriangleCount());
        return mesh.FaceData(0);
    }
    for (uint32_t i = 0; i < mesh.TriangleCount(); ++i) {
        const Face& f = *mesh.FaceData(i);
        if (f.a < vertices && f.b < vertices && f.c < vertices) filtered.push_back(f);
    }
    count = static_cast<GLsizei>(3 * filtered.size());
    return filtered.data();
}

// The sphere round the middle of the vertices' box that holds them all.
MeshDisplayList::Sphere BoundingSphere(const LMesh& mesh) {
    MeshDisplayList::Sphere sphere;
    const uint32_t count = mesh.VertexCount();
    if (count == 0) return sphere;
    const Vec4& first = *mesh.VertexData(0);
    float low[3] = {first.x, first.y, first.z}, high[3] = {first.x, first.y, first.z};
    for (uint32_t i = 0; i < count; ++i) {
        const Vec4& v = *mesh.VertexData(i);
        const float p[3] = {v.x, v.y, v.z};
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], p[a]);
            high[a] = std::max(high[a], p[a]);
        }
    }
    sphere.x = (low[0] + high[0]) / 2;
    sphere.y = (low[1] + high[1]) / 2;
    sphere.z = (low[2] + high[2]) / 2;
    double farthest = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const Vec4& v = *mesh.VertexData(i);
        const double dx = v.x - sphere.x, dy = v.y - sphere.y, dz = v.z - sphere.z;
        farthest = std::max(farthest, dx * dx + dy * dy + dz * dz);
    }
    // A hair more, so rounding never leaves a vertex outside.
    sphere.radius = static_cast<float>(std::sqrt(farthest) * 1.0001 + 1e-4);
    return sphere;
}

}  // namespace

MeshDisplayList::MeshDisplayList(const char* file_name, uint32_t flags)
    : list_(glGenLists(1)), path_(file_name), flags_(flags) {
    L3DS model(file_name);
    Compile(model);
    if (model.MeshCount() == 0)
        DebugOutputFormat("MeshDisplayList: no mesh in \"%s\" (missing, unreadable or empty)\n",
                          file_name);
    WatchAssetFile(path_, this);
}

MeshDisplayList::~MeshDisplayList() {
    ForgetAsset(this);
    glDeleteLists(list_, 1);
}

void MeshDisplayList::Reload() {
    L3DS model(path_.c_str());
    // A file caught half written, or gone, keeps the mesh that was drawing.
    if (model.MeshCount() == 0)
        FailFormat("No mesh in \"%s\" (missing, unreadable or empty)", path_.c_str());
    Compile(model);
}

void MeshDisplayList::Compile(L3DS& model) {
    glNewList(list_, GL_COMPILE);
    bounds_ = Sphere();
    if (model.MeshCount() == 0) {
        glEndList();
        return;
    }
    const LMesh& mesh = model.MeshAt(0);
    bounds_ = BoundingSphere(mesh);
    std::vector<Face> filtered;
    GLsizei index_count = 0;
    const Face* faces = DrawableFaces(mesh, filtered, index_count);

    glEnableClientState(GL_VERTEX_ARRAY);
    if (flags_ & kNormals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, mesh.NormalData(0));
    }
    if (flags_ & kBinormalColours) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 0, mesh.BinormalData(0));
    }
    if (flags_ & kTexCoords) {
        glTexCoordPointer(2, GL_FLOAT, 0, mesh.TexCoordData(0));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glVertexPointer(4, GL_FLOAT, 0, mesh.VertexData(0));
    if (index_count > 0) glDrawElements(GL_TRIANGLES, index_count, GL_UNSIGNED_SHORT, faces);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEndList();
}
