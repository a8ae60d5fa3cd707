#include "model3ds/reader.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "platform/show_folder.h"

namespace {

// Chunk ids.
constexpr uint16_t kMain = 0x4D4D;
constexpr uint16_t kEditor = 0x3D3D;
constexpr uint16_t kMaterialEntry = 0xAFFF;
constexpr uint16_t kMaterialName = 0xA000;
constexpr uint16_t kAmbient = 0xA010;
constexpr uint16_t kDiffuse = 0xA020;
constexpr uint16_t kSpecular = 0xA030;
constexpr uint16_t kShininess = 0xA040;
constexpr uint16_t kTransparency = 0xA050;
constexpr uint16_t kShading = 0xA100;
constexpr uint16_t kWireFrame = 0xA085;
constexpr uint16_t kTextureMap1 = 0xA200;
constexpr uint16_t kTextureMap2 = 0xA33A;
constexpr uint16_t kOpacityMap = 0xA210;
constexpr uint16_t kBumpMap = 0xA230;
constexpr uint16_t kSpecularMap = 0xA204;
constexpr uint16_t kReflectionMap = 0xA220;
constexpr uint16_t kColourF = 0x0010;
constexpr uint16_t kColourLinearF = 0x0013;
constexpr uint16_t kColour24 = 0x0011;
constexpr uint16_t kColourLinear24 = 0x0012;
constexpr uint16_t kPercentInt = 0x0030;
constexpr uint16_t kPercentFloat = 0x0031;
constexpr uint16_t kMapName = 0xA300;
constexpr uint16_t kMapUScale = 0xA354;
constexpr uint16_t kMapVScale = 0xA356;
constexpr uint16_t kMapUOffset = 0xA358;
constexpr uint16_t kMapVOffset = 0xA35A;
constexpr uint16_t kMapRotation = 0xA35C;
constexpr uint16_t kNamedObject = 0x4000;
constexpr uint16_t kTriangleMesh = 0x4100;
constexpr uint16_t kVertexList = 0x4110;
constexpr uint16_t kFaceList = 0x4120;
constexpr uint16_t kMaterialGroup = 0x4130;
constexpr uint16_t kSmoothingGroups = 0x4150;
constexpr uint16_t kTexCoords = 0x4140;
constexpr uint16_t kMeshMatrix = 0x4160;
constexpr uint16_t kLight = 0x4600;

// A header whose end lies before its start: a length below 6, a length that
// wraps the 32-bit offset, or a header read past the end of the data (all
// zeros). Leaving such a chunk would seek backwards, so walks stop at it.
bool IsBroken(const ChunkInfo& chunk) { return chunk.end < chunk.start; }

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

void LImporter::Reset() {
    lights_.clear();
    meshes_.clear();
    materials_.clear();
}

LMaterial* LImporter::MaterialByName(const char* name) {
    for (LMaterial& material : materials_) {
        if (material.HasName(name)) return &material;
    }
    return nullptr;
}

L3DS::L3DS(const char* file_name, Preparation preparation) : preparation_(preparation) {
    LoadModel(file_name);
}

L3DS::L3DS(const uint8_t* data, size_t size, Preparation preparation) : preparation_(preparation) {
    LoadMemory(data, size);
}

bool L3DS::LoadModel(const char* file_name) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(ShowPath(file_name).c_str(), "rb"));
    if (!file) return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file.get());
    if (length < 0 || static_cast<unsigned long>(length) > std::numeric_limits<uint32_t>::max()) {
        return false;
    }
    if (std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    buffer_.reset(new (std::nothrow) uint8_t[length > 0 ? length : 1]());
    if (!buffer_) return false;
    size_ = static_cast<uint32_t>(length);
    if (std::fread(buffer_.get(), 1, size_, file.get()) != size_) {
        buffer_.reset();
        size_ = 0;
        return false;
    }
    file.reset();
    Reset();
    return ParseBuffer();
}

bool L3DS::LoadMemory(const uint8_t* data, size_t size) {
    if (size > std::numeric_limits<uint32_t>::max()) return false;
    buffer_.reset(new (std::nothrow) uint8_t[size > 0 ? size : 1]());
    if (!buffer_) return false;
    size_ = static_cast<uint32_t>(size);
    if (size > 0) std::memcpy(buffer_.get(), data, size);
    Reset();
    return ParseBuffer();
}

bool L3DS::ParseBuffer() {
    const bool ok = ParseFile();
    buffer_.reset();
    size_ = 0;
    position_ = 0;
    return ok;
}

// A read may end exactly at the end of the data, so the last byte of a file
// is readable (face or smoothing data often ends there).
bool L3DS::CanRead(uint32_t width) const {
    return buffer_ && size_ != 0 && position_ <= size_ && width <= size_ - position_;
}

uint8_t L3DS::ReadU8() {
    if (!CanRead(1)) return 0;
    return buffer_[position_++];
}

uint16_t L3DS::ReadU16() {
    if (!CanRead(2)) return 0;
    const uint8_t* p = buffer_.get() + position_;
    position_ += 2;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t L3DS::ReadU32() {
    if (!CanRead(4)) return 0;
    const uint8_t* p = buffer_.get() + position_;
    position_ += 4;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float L3DS::ReadF32() {
    if (!CanRead(4)) return 0;
    const uint32_t bits = ReadU32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t L3DS::ReadName(char* buffer, uint32_t capacity) {
    if (!buffer_ || size_ == 0 || position_ >= size_) return 0;
    uint32_t stored = 0;
    uint8_t c = ReadU8();
    while (c != 0 && stored + 1 < capacity) {
        buffer[stored++] = static_cast<char>(c);
        c = ReadU8();
    }
    buffer[stored] = 0;
    return stored;
}

void L3DS::SeekTo(uint32_t offset, int mode) {
    if (mode == kSeekSet) {
        position_ = offset;
    } else if (mode == kSeekCurrent) {
        position_ += offset;
    }
    if (position_ >= size_) position_ = size_ > 0 ? size_ - 1 : 0;
}

ChunkInfo L3DS::ReadChunkHeader() {
    ChunkInfo chunk;
    chunk.id = ReadU16();
    const uint32_t length = ReadU32();
    chunk.start = position_;
    chunk.end = chunk.start + length - 6;
    return chunk;
}

bool L3DS::SearchChunk(uint16_t id, const ChunkInfo& parent, ChunkInfo& found) {
    if (position_ >= parent.end) return false;
    ChunkInfo chunk = ReadChunkHeader();
    if (IsBroken(chunk)) return false;
    if (chunk.id == id) {
        found = chunk;
        return true;
    }
    while (chunk.end <= parent.end) {
        LeaveChunk(chunk);
        if (chunk.end >= parent.end) return false;
        chunk = ReadChunkHeader();
        if (IsBroken(chunk)) return false;
        if (chunk.id == id) {
            found = chunk;
            return true;
        }
    }
    return false;
}

bool L3DS::ParseFile() {
    position_ = 0;
    const ChunkInfo root = ReadChunkHeader();
    if (root.id != kMain) return false;
    ChunkInfo editor;
    if (!SearchChunk(kEditor, root, editor)) return false;

    ChunkInfo entry;
    EnterChunk(editor);
    while (SearchChunk(kMaterialEntry, editor, entry)) {
        ReadMaterialBlock(entry);
        LeaveChunk(entry);
    }

    EnterChunk(editor);
    while (SearchChunk(kNamedObject, editor, entry)) {
        object_name_[0] = 0;
        ReadName(object_name_, 99);
        // Only the object's first sub-chunk decides its kind.
        const ChunkInfo first = ReadChunkHeader();
        if (first.id == kTriangleMesh) {
            ReadMeshBlock(first);
        } else if (first.id == kLight) {
            ReadLightBlock(first);
        }
        LeaveChunk(entry);
    }

    if (preparation_ == Preparation::kPrepare) {
        for (LMesh& mesh : meshes_) mesh.Prepare();
    }
    position_ = 0;
    object_name_[0] = 0;
    return true;
}

void L3DS::ReadMaterialBlock(const ChunkInfo& chunk) {
    LMaterial material;
    char name[30] = {};
    EnterChunk(chunk);
    ChunkInfo sub = ReadChunkHeader();
    while (sub.end <= chunk.end && !IsBroken(sub)) {
        switch (sub.id) {
            case kMaterialName:
                name[0] = 0;
                ReadName(name, 30);
                material.Rename(name);
                break;
            case kAmbient: material.SetAmbient(ReadColourValue(sub)); break;
            case kDiffuse: material.SetDiffuse(ReadColourValue(sub)); break;
            case kSpecular: material.SetSpecular(ReadColourValue(sub)); break;
            case kShininess: material.SetShininess(ReadPercentValue(sub)); break;
            case kTransparency: material.SetTransparency(ReadPercentValue(sub)); break;
            case kShading: {
                const uint16_t shading = ReadU16();
                if (shading <= 4) material.SetShadingType(shading);
                break;
            }
            case kWireFrame: material.SetShadingType(0); break;
            case kTextureMap1: ReadMapBlock(sub, material.TextureMap1()); break;
            case kTextureMap2: ReadMapBlock(sub, material.TextureMap2()); break;
            case kOpacityMap: ReadMapBlock(sub, material.OpacityMap()); break;
            case kBumpMap: ReadMapBlock(sub, material.BumpMap()); break;
            case kSpecularMap: ReadMapBlock(sub, material.SpecularMap()); break;
            case kReflectionMap: {
                // The strength is the percentage the map's first sub-chunk
                // holds, read like any percentage property (the map chunk is
                // the property chunk). A map-name chunk must follow that
                // sub-chunk, or the material is dropped.
                material.ReflectionMap().strength = ReadPercentValue(sub);
                EnterChunk(sub);
                const ChunkInfo first = ReadChunkHeader();
                LeaveChunk(first);
                const ChunkInfo next = ReadChunkHeader();
                if (next.id != kMapName) return;
                if (ReadName(name, 30) == 0) {
                    std::strcpy(material.ReflectionMap().file_name, "auto");
                }
                break;
            }
            default: break;
        }
        LeaveChunk(sub);
        sub = ReadChunkHeader();
    }
    materials_.push_back(material);
    materials_.back().SetId(static_cast<uint32_t>(materials_.size() - 1));
}

Colour L3DS::ReadColourValue(const ChunkInfo& chunk) {
    EnterChunk(chunk);
    const ChunkInfo sub = ReadChunkHeader();
    EnterChunk(sub);
    Colour colour;
    if (sub.id == kColourF || sub.id == kColourLinearF) {
        colour.r = ReadF32();
        colour.g = ReadF32();
        colour.b = ReadF32();
    } else if (sub.id == kColour24 || sub.id == kColourLinear24) {
        colour.r = ReadU8() / 255.0f;
        colour.g = ReadU8() / 255.0f;
        colour.b = ReadU8() / 255.0f;
    }
    return colour;
}

float L3DS::ReadPercentValue(const ChunkInfo& chunk) {
    EnterChunk(chunk);
    const ChunkInfo sub = ReadChunkHeader();
    EnterChunk(sub);
    if (sub.id == kPercentInt) return static_cast<int16_t>(ReadU16()) / 100.0f;
    if (sub.id == kPercentFloat) return ReadF32();
    return 0;
}

void L3DS::ReadMapBlock(const ChunkInfo& chunk, MaterialMap& map) {
    EnterChunk(chunk);
    ChunkInfo sub = ReadChunkHeader();
    while (sub.end <= chunk.end && !IsBroken(sub)) {
        switch (sub.id) {
            case kPercentInt: map.strength = static_cast<int16_t>(ReadU16()) / 100.0f; break;
            case kMapName: {
                char name[20] = {};
                ReadName(name, 20);
                std::strcpy(map.file_name, name);
                break;
            }
            case kMapUScale: map.u_scale = ReadF32(); break;
            case kMapVScale: map.v_scale = ReadF32(); break;
            case kMapUOffset: map.u_offset = ReadF32(); break;
            case kMapVOffset: map.v_offset = ReadF32(); break;
            case kMapRotation: map.rotation = ReadF32(); break;
            default: break;
        }
        LeaveChunk(sub);
        sub = ReadChunkHeader();
    }
}

void L3DS::ReadMeshBlock(const ChunkInfo& chunk) {
    LMesh mesh;
    mesh.Rename(object_name_);
    EnterChunk(chunk);
    ChunkInfo sub = ReadChunkHeader();
    while (sub.end <= chunk.end && !IsBroken(sub)) {
        switch (sub.id) {
            case kVertexList: {
                const uint16_t count = ReadU16();
                mesh.ResizeVertices(count);
                for (uint32_t i = 0; i < count; ++i) {
                    const float x = ReadF32();
                    const float y = ReadF32();
                    const float z = ReadF32();
                    mesh.StoreVertex(Vec4(x, y, z, 1), i);
                }
                break;
            }
            case kFaceList: ReadFaceBlock(sub, mesh); break;
            case kTexCoords: {
                const uint16_t count = ReadU16();
                if (mesh.VertexCount() == 0) mesh.ResizeVertices(count);
                for (uint32_t i = 0; i < count; ++i) {
                    const float u = ReadF32();
                    const float v = ReadF32();
                    mesh.StoreTexCoord(TexCoord(u, v), i);
                }
                break;
            }
            case kMeshMatrix: {
                float f[12];
                for (float& value : f) value = ReadF32();
                const float matrix[16] = {f[0], f[1], f[2], 0, f[3], f[4],  f[5],  0,
                                          f[6], f[7], f[8], 0, f[9], f[10], f[11], 1};
                mesh.StoreMatrix(matrix);
                break;
            }
            default: break;
        }
        LeaveChunk(sub);
        if (sub.end >= chunk.end) break;
        sub = ReadChunkHeader();
    }
    meshes_.push_back(std::move(mesh));
}

void L3DS::ReadFaceBlock(const ChunkInfo& chunk, LMesh& mesh) {
    EnterChunk(chunk);
    const uint16_t count = ReadU16();
    mesh.ResizeTriangles(count);
    for (uint32_t i = 0; i < count; ++i) {
        MeshTriangle triangle;
        triangle.a = ReadU16();
        triangle.b = ReadU16();
        triangle.c = ReadU16();
        ReadU16();  // edge flags, not used
        triangle.smoothing_group = 1;
        triangle.material_id = kNoMaterial;
        mesh.StoreTriangle(triangle, i);
    }

    ChunkInfo sub = ReadChunkHeader();
    while (sub.end <= chunk.end && !IsBroken(sub)) {
        if (sub.id == kMaterialGroup) {
            char name[20] = {};
            ReadName(name, 20);
            const LMaterial* material = MaterialByName(name);
            const uint32_t id = material ? material->Id() : kNoMaterial;
            mesh.AddMaterialId(id);
            const uint16_t named = ReadU16();
            for (uint32_t k = 0; k < named; ++k) {
                const uint16_t face = ReadU16();
                if (face < mesh.TriangleCount()) mesh.TriangleAt(face).material_id = id;
            }
        } else if (sub.id == kSmoothingGroups) {
            for (uint32_t i = 0; i < mesh.TriangleCount(); ++i) {
                mesh.TriangleAt(i).smoothing_group = ReadU32();
            }
        }
        LeaveChunk(sub);
        sub = ReadChunkHeader();
    }
}

void L3DS::ReadLightBlock(const ChunkInfo& chunk) {
    LLight light;
    light.Rename(object_name_);
    EnterChunk(chunk);
    const float x = ReadF32();
    const float y = ReadF32();
    const float z = ReadF32();
    light.SetPosition(Vec3(x, y, z));
    // The first colour sub-chunk gives the colour; spotlight data and the
    // rest are passed over.
    ChunkInfo sub = ReadChunkHeader();
    while (sub.end <= chunk.end && !IsBroken(sub)) {
        Colour colour;
        if (sub.id == kColourF || sub.id == kColourLinearF) {
            colour.r = ReadF32();
            colour.g = ReadF32();
            colour.b = ReadF32();
            light.SetColour(colour);
            break;
        }
        if (sub.id == kColour24 || sub.id == kColourLinear24) {
            colour.r = ReadU8() / 255.0f;
            colour.g = ReadU8() / 255.0f;
            colour.b = ReadU8() / 255.0f;
            light.SetColour(colour);
            break;
        }
        LeaveChunk(sub);
        sub = ReadChunkHeader();
    }
    lights_.push_back(light);
}
