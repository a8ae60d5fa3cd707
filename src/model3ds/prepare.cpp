// Mesh preparation: face normals, vertices split by smoothing group, vertex
// normals by plain (unweighted) averaging, then tangent space.
#include <cmath>
#include <unordered_map>

#include "model3ds/scene.h"

namespace {

// The largest vertex count 16-bit corners can address.
constexpr uint32_t kMaxVertices = 65536;

Vec3 Sub(const Vec4& p, const Vec4& q) { return Vec3(p.x - q.x, p.y - q.y, p.z - q.z); }

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return Vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

Vec3 Normalised(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length != 0) {
        const float scale = 1 / length;
        v.x *= scale;
        v.y *= scale;
        v.z *= scale;
    }
    return v;
}

void Add(Vec3& sum, const Vec3& v) {
    sum.x += v.x;
    sum.y += v.y;
    sum.z += v.z;
}

bool CornersValid(const MeshTriangle& t, uint32_t vertex_count) {
    return t.a < vertex_count && t.b < vertex_count && t.c < vertex_count;
}

// For every vertex, the triangles that use it in triangle order, one entry per
// corner naming it. Stored flat: the triangles of vertex v are
// list[first[v]] .. list[first[v + 1] - 1]. Corners that name no vertex are
// left out.
struct Adjacency {
    std::vector<uint32_t> first;
    std::vector<uint32_t> list;

    Adjacency(const std::vector<MeshTriangle>& triangles, uint32_t vertex_count)
        : first(vertex_count + 1, 0) {
        for (const MeshTriangle& t : triangles) {
            for (uint32_t corner : {t.a, t.b, t.c}) {
                if (corner < vertex_count) ++first[corner + 1];
            }
        }
        for (uint32_t v = 0; v < vertex_count; ++v) first[v + 1] += first[v];
        list.resize(first[vertex_count]);
        std::vector<uint32_t> fill(first.begin(), first.end() - 1);
        for (uint32_t i = 0; i < triangles.size(); ++i) {
            const MeshTriangle& t = triangles[i];
            for (uint32_t corner : {t.a, t.b, t.c}) {
                if (corner < vertex_count) list[fill[corner]++] = i;
            }
        }
    }
    uint32_t Begin(uint32_t v) const { return first[v]; }
    uint32_t End(uint32_t v) const { return first[v + 1]; }
};

}  // namespace

void LMesh::Prepare() {
    ComputeNormals();
    ComputeTangentSpace();
}

void LMesh::ComputeNormals() {
    const uint32_t original_count = VertexCount();
    for (MeshTriangle& t : triangles_) {
        if (!CornersValid(t, original_count)) {
            t.normal = Vec3();
            continue;
        }
        const Vec4& pa = vertices_[t.a];
        const Vec4& pb = vertices_[t.b];
        const Vec4& pc = vertices_[t.c];
        t.normal = Normalised(Cross(Sub(pb, pc), Sub(pb, pa)));
    }

    // Each smoothing group meeting at a vertex gets its own copy of it, so
    // normals are averaged within a group only and group borders stay hard.
    {
        const Adjacency adjacency(triangles_, original_count);
        std::vector<uint32_t> group_values;
        std::vector<std::vector<uint32_t>> group_triangles;
        // Most vertices meet one to four groups and a linear search is best;
        // a damaged file may put thousands at one vertex, so larger sets are
        // also indexed by value.
        std::unordered_map<uint32_t, size_t> group_index;
        constexpr size_t kLinearSearch = 16;
        for (uint32_t v = 0; v < original_count; ++v) {
            if (adjacency.Begin(v) == adjacency.End(v)) continue;
            // Most vertices lie inside one group: nothing to sort.
            const uint32_t first_value =
                triangles_[adjacency.list[adjacency.Begin(v)]].smoothing_group;
            uint32_t k = adjacency.Begin(v) + 1;
            while (k < adjacency.End(v) &&
                   triangles_[adjacency.list[k]].smoothing_group == first_value) {
                ++k;
            }
            if (k == adjacency.End(v)) continue;
            for (size_t g = 0; g < group_values.size(); ++g) group_triangles[g].clear();
            group_values.clear();
            if (!group_index.empty()) group_index.clear();
            for (uint32_t k = adjacency.Begin(v); k < adjacency.End(v); ++k) {
                const uint32_t tri = adjacency.list[k];
                const uint32_t value = triangles_[tri].smoothing_group;
                size_t g = 0;
                if (group_values.size() <= kLinearSearch) {
                    while (g < group_values.size() && group_values[g] != value) ++g;
                } else {
                    const auto found = group_index.find(value);
                    g = found == group_index.end() ? group_values.size() : found->second;
                }
                if (g == group_values.size()) {
                    group_values.push_back(value);
                    if (group_triangles.size() < group_values.size()) {
                        group_triangles.emplace_back();
                    }
                    if (group_values.size() == kLinearSearch + 1) {
                        for (size_t i = 0; i < group_values.size(); ++i) {
                            group_index[group_values[i]] = i;
                        }
                    } else if (group_values.size() > kLinearSearch + 1) {
                        group_index[value] = g;
                    }
                }
                group_triangles[g].push_back(tri);
            }
            for (size_t g = 1; g < group_values.size(); ++g) {
                // Past 65,536 vertices a copy could not be addressed: the
                // group keeps sharing the vertex (a soft edge, never a wrong index).
                if (VertexCount() >= kMaxVertices) break;
                const uint16_t copy = static_cast<uint16_t>(DuplicateVertex(v));
                for (uint32_t tri : group_triangles[g]) {
                    MeshTriangle& t = triangles_[tri];
                    if (t.a == v) t.a = copy;
                    if (t.b == v) t.b = copy;
                    if (t.c == v) t.c = copy;
                }
            }
        }
    }

    const uint32_t count = VertexCount();
    const Adjacency adjacency(triangles_, count);
    for (uint32_t v = 0; v < count; ++v) {
        Vec3 sum;
        for (uint32_t k = adjacency.Begin(v); k < adjacency.End(v); ++k) {
            Add(sum, triangles_[adjacency.list[k]].normal);
        }
        normals_[v] = Normalised(sum);
    }

    for (size_t i = 0; i < triangles_.size(); ++i) {
        faces_[i].a = triangles_[i].a;
        faces_[i].b = triangles_[i].b;
        faces_[i].c = triangles_[i].c;
    }
}

void LMesh::ComputeTangentSpace() {
    const uint32_t count = VertexCount();
    for (MeshTriangle& t : triangles_) {
        if (!CornersValid(t, count)) {
            t.tangent = Vec3();
            t.binormal = Vec3();
            continue;
        }
        const Vec4& pa = vertices_[t.a];
        const Vec4& pb = vertices_[t.b];
        const Vec4& pc = vertices_[t.c];
        const TexCoord& ta = texcoords_[t.a];
        const TexCoord& tb = texcoords_[t.b];
        const TexCoord& tc = texcoords_[t.c];
        const float pos_a[3] = {pa.x, pa.y, pa.z};
        const float pos_b[3] = {pb.x, pb.y, pb.z};
        const float pos_c[3] = {pc.x, pc.y, pc.z};
        float tangent[3], binormal[3];
        for (int k = 0; k < 3; ++k) {
            const Vec3 e1(pos_b[k] - pos_a[k], tb.u - ta.u, tb.v - ta.v);
            const Vec3 e2(pos_c[k] - pos_a[k], tc.u - ta.u, tc.v - ta.v);
            const Vec3 c = Cross(e1, e2);
            // No test for c.x == 0: equal texture coordinates give IEEE
            // infinities or NaNs, which is what this step is defined to give.
            tangent[k] = -c.y / c.x;
            binormal[k] = -c.z / c.x;
        }
        t.tangent = Vec3(tangent[0], tangent[1], tangent[2]);
        t.binormal = Vec3(binormal[0], binormal[1], binormal[2]);
    }

    const Adjacency adjacency(triangles_, count);
    for (uint32_t v = 0; v < count; ++v) {
        Vec3 sum;
        for (uint32_t k = adjacency.Begin(v); k < adjacency.End(v); ++k) {
            Add(sum, triangles_[adjacency.list[k]].tangent);
        }
        tangents_[v] = Normalised(sum);
        binormals_[v] = Normalised(Cross(tangents_[v], normals_[v]));
    }
}
