// Scene objects read from 3DS files: meshes, materials and lights.
//
// Plain value types; no GL needed. Every object is copyable (a copy
// duplicates every member). An LMesh keeps its per-vertex data in five
// contiguous lists of equal length (positions, normals, binormals, tangents,
// texture coordinates) and its triangles twice: as a compact face list of
// three 16-bit indices (what OpenGL draws) and as full MeshTriangle records.
// Store* operations ignore indices outside the lists; *At and *Data do not
// test their index. LMesh::Prepare (prepare.cpp) fills normals and tangent
// space once, after a file has been read; it never produces an index above
// 65,535 and skips corners that name no vertex.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/vec3.h"

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;
    Vec4() = default;
    Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

struct TexCoord {
    float u = 0, v = 0;
    TexCoord() = default;
    TexCoord(float u_, float v_) : u(u_), v(v_) {}
};

struct Face {
    uint16_t a = 0, b = 0, c = 0;
};

// The material id of a triangle that no material group names, or whose group
// names a material that is not in the importer's list. It matches no id.
constexpr uint32_t kNoMaterial = 0xFFFFFFFFu;

struct MeshTriangle {
    uint16_t a = 0, b = 0, c = 0;
    uint32_t smoothing_group = 0;
    Vec3 normal;
    Vec3 tangent;
    Vec3 binormal;
    uint32_t material_id = 0;
};

// OpenGL reads these lists with a stride of 0.
static_assert(sizeof(Vec4) == 16, "Vec4 must be four packed floats");
static_assert(sizeof(Vec3) == 12, "Vec3 must be three packed floats");
static_assert(sizeof(TexCoord) == 8, "TexCoord must be two packed floats");
static_assert(sizeof(Face) == 6, "Face must be three packed 16-bit indices");

class LObject {
public:
    LObject() = default;
    LObject(const LObject&) = default;
    LObject& operator=(const LObject&) = default;
    virtual ~LObject() = default;

    virtual const std::string& Name() const { return name_; }
    virtual void Rename(const std::string& name) { name_ = name; }
    bool HasName(const std::string& name) const { return name_ == name; }

private:
    std::string name_;
};

class LMesh : public LObject {
public:
    LMesh();
    LMesh(const LMesh&) = default;
    LMesh& operator=(const LMesh&) = default;
    LMesh(LMesh&&) = default;
    LMesh& operator=(LMesh&&) = default;
    ~LMesh() override;

    // Empties every list and resets the matrix to the identity.
    void MakeEmpty();
    // Resizes the five per-vertex lists; new entries are all zero.
    void ResizeVertices(uint32_t count);
    // Resizes faces and triangles; new entries are all zero.
    void ResizeTriangles(uint32_t count);
    void StoreVertex(const Vec4& vertex, uint32_t index);
    void StoreTexCoord(const TexCoord& coordinate, uint32_t index);
    void StoreTriangle(const MeshTriangle& triangle, uint32_t index);
    MeshTriangle& TriangleAt(uint32_t index) { return triangles_[index]; }
    const MeshTriangle& TriangleAt(uint32_t index) const { return triangles_[index]; }
    // Appends a material id and returns its position.
    uint32_t AddMaterialId(uint32_t id);
    void StoreMatrix(const float matrix[16]);

    uint32_t VertexCount() const { return static_cast<uint32_t>(vertices_.size()); }
    uint32_t TriangleCount() const { return static_cast<uint32_t>(triangles_.size()); }

    const Vec4* VertexData(uint32_t i) const { return vertices_.data() + i; }
    const Vec3* NormalData(uint32_t i) const { return normals_.data() + i; }
    const Vec3* BinormalData(uint32_t i) const { return binormals_.data() + i; }
    const Vec3* TangentData(uint32_t i) const { return tangents_.data() + i; }
    const TexCoord* TexCoordData(uint32_t i) const { return texcoords_.data() + i; }
    const Face* FaceData(uint32_t i) const { return faces_.data() + i; }
    const float* Matrix() const { return matrix_; }
    const std::vector<uint32_t>& MaterialIds() const { return material_ids_; }

    // Normals by smoothing group, then tangent space.
    void Prepare();
    void ComputeNormals();
    void ComputeTangentSpace();

private:
    // Appends a copy of vertex v to every per-vertex list; returns the new index.
    uint32_t DuplicateVertex(uint32_t v);

    std::vector<Vec4> vertices_;
    std::vector<Vec3> normals_;
    std::vector<Vec3> binormals_;
    std::vector<Vec3> tangents_;
    std::vector<TexCoord> texcoords_;
    std::vector<Face> faces_;
    std::vector<MeshTriangle> triangles_;
    float matrix_[16];
    std::vector<uint32_t> material_ids_;
};

struct MaterialMap {
    float strength = 0;
    char file_name[256] = {};
    float u_scale = 1;
    float v_scale = 1;
    float u_offset = 0;
    float v_offset = 0;
    float rotation = 0;
};

struct Colour {
    float r = 0, g = 0, b = 0;
};

class LMaterial : public LObject {
public:
    LMaterial() = default;
    LMaterial(const LMaterial&) = default;
    LMaterial& operator=(const LMaterial&) = default;
    ~LMaterial() override = default;

    uint32_t Id() const { return id_; }
    void SetId(uint32_t id) { id_ = id; }
    void SetAmbient(const Colour& c) { ambient_ = c; }
    void SetDiffuse(const Colour& c) { diffuse_ = c; }
    void SetSpecular(const Colour& c) { specular_ = c; }
    const Colour& Ambient() const { return ambient_; }
    const Colour& Diffuse() const { return diffuse_; }
    const Colour& Specular() const { return specular_; }
    // Both clamp to 0..1.
    void SetShininess(float value) { shininess_ = Clamp01(value); }
    void SetTransparency(float value) { transparency_ = Clamp01(value); }
    float Shininess() const { return shininess_; }
    float Transparency() const { return transparency_; }
    // 3DS shading types 0 (wire-frame) to 4.
    void SetShadingType(int32_t type) { shading_type_ = type; }
    int32_t ShadingType() const { return shading_type_; }

    MaterialMap& TextureMap1() { return texture_map1_; }
    MaterialMap& TextureMap2() { return texture_map2_; }
    MaterialMap& OpacityMap() { return opacity_map_; }
    MaterialMap& ReflectionMap() { return reflection_map_; }
    MaterialMap& BumpMap() { return bump_map_; }
    MaterialMap& SpecularMap() { return specular_map_; }
    const MaterialMap& TextureMap1() const { return texture_map1_; }
    const MaterialMap& ReflectionMap() const { return reflection_map_; }

private:
    static float Clamp01(float v) { return v < 0 ? 0.0f : (v > 1 ? 1.0f : v); }

    uint32_t id_ = 0;
    MaterialMap texture_map1_;
    MaterialMap texture_map2_;
    MaterialMap opacity_map_;
    MaterialMap reflection_map_;
    MaterialMap bump_map_;
    MaterialMap specular_map_;
    Colour ambient_;
    Colour diffuse_;
    Colour specular_;
    float shininess_ = 0;
    float transparency_ = 0;
    int32_t shading_type_ = 2;
};

class LLight : public LObject {
public:
    LLight() = default;
    LLight(const LLight&) = default;
    LLight& operator=(const LLight&) = default;
    ~LLight() override = default;

    void SetPosition(const Vec3& p) { position_ = p; }
    void SetColour(const Colour& c) { colour_ = c; }
    void SetSpotTarget(const Vec3& t) {
        spotlight_ = true;
        spot_target_ = t;
    }
    void SetHotspot(float h) { hotspot_ = h; }
    void SetFalloff(float f) { falloff_ = f; }
    const Vec3& Position() const { return position_; }
    const Colour& GetColour() const { return colour_; }
    bool IsSpotlight() const { return spotlight_; }

private:
    Vec3 position_;
    Colour colour_;
    bool spotlight_ = false;
    Vec3 spot_target_;
    float hotspot_ = 0;
    float falloff_ = 0;
};
