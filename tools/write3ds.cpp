#include "write3ds.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace write3ds {

namespace {
uint16_t Count16(size_t n) { return static_cast<uint16_t>(std::min<size_t>(n, 65535)); }
}  // namespace

void ChunkWriter::Begin(uint16_t id) {
    open_.push_back(bytes_.size());
    U16(id);
    U32(0);
}

void ChunkWriter::End() {
    const size_t start = open_.back();
    EndWithLength(static_cast<uint32_t>(bytes_.size() - start));
}

void ChunkWriter::EndWithLength(uint32_t length) {
    const size_t start = open_.back();
    open_.pop_back();
    for (int i = 0; i < 4; ++i) bytes_[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
}

void ChunkWriter::U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
}

void ChunkWriter::U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
}

void ChunkWriter::F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(bits);
}

void ChunkWriter::Name(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    U8(0);
}

void ChunkWriter::Chunk(uint16_t id, const std::vector<uint8_t>& data) {
    Begin(id);
    Raw(data);
    End();
}

namespace {

void WriteColour(ChunkWriter& w, uint16_t property, const std::array<float, 3>& rgb) {
    w.Begin(property);
    w.Begin(0x0010);
    for (float c : rgb) w.F32(c);
    w.End();
    w.End();
}

void WriteMaterial(ChunkWriter& w, const Material& m) {
    w.Begin(0xAFFF);
    w.Begin(0xA000);
    w.Name(m.name);
    w.End();
    WriteColour(w, 0xA010, m.ambient);
    WriteColour(w, 0xA020, m.diffuse);
    WriteColour(w, 0xA030, m.specular);
    w.End();
}

void WriteMesh(ChunkWriter& w, const Mesh& mesh) {
    w.Begin(0x4000);
    w.Name(mesh.name);
    w.Begin(0x4100);

    const uint16_t vertex_count = Count16(mesh.vertices.size());
    w.Begin(0x4110);
    w.U16(vertex_count);
    for (size_t i = 0; i < vertex_count; ++i) {
        for (float c : mesh.vertices[i]) w.F32(c);
    }
    w.End();

    if (!mesh.texcoords.empty()) {
        const uint16_t count = Count16(mesh.texcoords.size());
        w.Begin(0x4140);
        w.U16(count);
        for (size_t i = 0; i < count; ++i) {
            w.F32(mesh.texcoords[i][0]);
            w.F32(mesh.texcoords[i][1]);
        }
        w.End();
    }

    if (mesh.has_matrix) {
        w.Begin(0x4160);
        for (float f : mesh.matrix) w.F32(f);
        w.End();
    }

    const uint16_t face_count = Count16(mesh.faces.size());
    w.Begin(0x4120);
    w.U16(face_count);
    for (size_t i = 0; i < face_count; ++i) {
        for (uint16_t corner : mesh.faces[i]) w.U16(corner);
        w.U16(7);  // all three edges visible
    }
    for (const MaterialGroup& group : mesh.groups) {
        w.Begin(0x4130);
        w.Name(group.material);
        const uint16_t count = Count16(group.faces.size());
        w.U16(count);
        for (size_t i = 0; i < count; ++i) w.U16(group.faces[i]);
        w.End();
    }
    if (!mesh.smoothing.empty()) {
        w.Begin(0x4150);
        for (size_t i = 0; i < face_count; ++i) {
            w.U32(i < mesh.smoothing.size() ? mesh.smoothing[i] : 0);
        }
        w.End();
    }
    w.End();  // face list

    w.End();  // triangle mesh
    w.End();  // named object
}

}  // namespace

std::vector<uint8_t> Write3ds(const Scene& scene) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x0002);  // file version
    w.U32(3);
    w.End();
    w.Begin(0x3D3D);
    w.Begin(0x3D3E);  // mesh version
    w.U32(3);
    w.End();
    for (const Material& m : scene.materials) WriteMaterial(w, m);
    w.Begin(0x0100);  // master scale
    w.F32(1);
    w.End();
    for (const Mesh& mesh : scene.meshes) WriteMesh(w, mesh);
    w.End();
    w.End();
    return w.Bytes();
}

bool Save3ds(const Scene& scene, const std::string& path) {
    const std::vector<uint8_t> bytes = Write3ds(scene);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace write3ds
