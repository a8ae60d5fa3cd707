// A small 3DS writer: chunk building for hand-made test files, and whole
// scenes of materials and triangle meshes (vertices, texture coordinates,
// faces, material groups, smoothing groups, matrix).
//
// Needs nothing (no GL). Writes little-endian chunks: id (16 bits), length
// (32 bits, header included), data, sub-chunks. Counts that do not fit the
// format's 16-bit fields are cut to 65,535; Save3ds reports a file it could
// not write by returning false.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace write3ds {

// Builds chunk trees. Begin opens a chunk; End closes the innermost one and
// fills in its length, or writes the given length instead (for damaged files).
class ChunkWriter {
public:
    void Begin(uint16_t id);
    void End();
    void EndWithLength(uint32_t length);
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void F32(float v);
    // The bytes of the text and a terminating 0.
    void Name(const std::string& text);
    void Raw(const std::vector<uint8_t>& data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    // A whole chunk with no sub-chunks.
    void Chunk(uint16_t id, const std::vector<uint8_t>& data);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    std::vector<size_t> open_;
};

struct Material {
    std::string name;
    std::array<float, 3> ambient{};
    std::array<float, 3> diffuse{};
    std::array<float, 3> specular{};
};

struct MaterialGroup {
    std::string material;
    std::vector<uint16_t> faces;
};

struct Mesh {
    std::string name;
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<float, 2>> texcoords;  // none: no texture-coordinate chunk
    std::vector<std::array<uint16_t, 3>> faces;
    std::vector<MaterialGroup> groups;
    std::vector<uint32_t> smoothing;  // none: no smoothing chunk; else one per face
    bool has_matrix = false;
    std::array<float, 12> matrix{};
};

struct Scene {
    std::vector<Material> materials;
    std::vector<Mesh> meshes;
};

std::vector<uint8_t> Write3ds(const Scene& scene);
bool Save3ds(const Scene& scene, const std::string& path);

}  // namespace write3ds
