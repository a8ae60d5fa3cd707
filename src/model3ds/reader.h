// 3DS file reader: materials, meshes and lights of one file.
//
// Needs nothing but the file (no GL). Constructing an L3DS reads the whole
// file into memory, walks its chunk tree, fills the three lists, prepares
// every mesh (LMesh::Prepare) and releases the file buffer; the lists live
// until the importer is destroyed. It never raises and reports nothing: a
// file that cannot be opened or read, or that lacks the root (0x4D4D) or
// editor (0x3D3D) chunk, gives empty lists; a damaged chunk ends its walk and
// keeps what was read before it; a read past the end of the data gives 0 and
// leaves the read position where it was. Every read is bounded by the
// buffer, so any byte sequence can be given to it.
//
// Besides the file name the reader takes a memory block (copied) and a flag
// that skips preparation, for tools and tests that want the meshes as stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model3ds/scene.h"

class LImporter {
public:
    LImporter() { Reset(); }
    virtual ~LImporter() { Reset(); }
    LImporter(const LImporter&) = delete;
    LImporter& operator=(const LImporter&) = delete;

    virtual bool LoadModel(const char* file_name) = 0;
    // Empties the three lists.
    virtual void Reset();

    uint32_t MeshCount() const { return static_cast<uint32_t>(meshes_.size()); }
    uint32_t MaterialCount() const { return static_cast<uint32_t>(materials_.size()); }
    uint32_t LightCount() const { return static_cast<uint32_t>(lights_.size()); }
    // No bounds test: the index must be below the count.
    LMesh& MeshAt(uint32_t index) { return meshes_[index]; }
    const LMaterial& MaterialAt(uint32_t index) const { return materials_[index]; }
    const LLight& LightAt(uint32_t index) const { return lights_[index]; }
    // The first material whose name equals `name` exactly, or null.
    LMaterial* MaterialByName(const char* name);

protected:
    std::vector<LLight> lights_;
    std::vector<LMesh> meshes_;
    std::vector<LMaterial> materials_;
};

struct ChunkInfo {
    uint16_t id = 0;
    uint32_t start = 0;  // first byte after the 6-byte header
    uint32_t end = 0;    // start + length - 6: just past the chunk
};

class L3DS : public LImporter {
public:
    enum class Preparation { kPrepare, kSkip };

    explicit L3DS(const char* file_name, Preparation preparation = Preparation::kPrepare);
    // Reads from a copy of `size` bytes at `data`.
    L3DS(const uint8_t* data, size_t size, Preparation preparation = Preparation::kPrepare);

    // True when the file was read and the root and editor chunks were found.
    // `file_name` is a path of the show (platform/show_folder.h).
    bool LoadModel(const char* file_name) override;
    bool LoadMemory(const uint8_t* data, size_t size);

private:
    static constexpr int kSeekSet = 1900;
    static constexpr int kSeekCurrent = 1901;

    bool ParseBuffer();
    bool ParseFile();

    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();
    float ReadF32();
    bool CanRead(uint32_t width) const;
    uint32_t ReadName(char* buffer, uint32_t capacity);
    void SeekTo(uint32_t offset, int mode);
    ChunkInfo ReadChunkHeader();
    void EnterChunk(const ChunkInfo& chunk) { SeekTo(chunk.start, kSeekSet); }
    void LeaveChunk(const ChunkInfo& chunk) { SeekTo(chunk.end, kSeekSet); }
    bool SearchChunk(uint16_t id, const ChunkInfo& parent, ChunkInfo& found);

    void ReadMaterialBlock(const ChunkInfo& chunk);
    Colour ReadColourValue(const ChunkInfo& chunk);
    float ReadPercentValue(const ChunkInfo& chunk);
    void ReadMapBlock(const ChunkInfo& chunk, MaterialMap& map);
    void ReadMeshBlock(const ChunkInfo& chunk);
    void ReadFaceBlock(const ChunkInfo& chunk, LMesh& mesh);
    void ReadLightBlock(const ChunkInfo& chunk);

    char object_name_[100] = {};
    std::unique_ptr<uint8_t[]> buffer_;
    uint32_t size_ = 0;
    uint32_t position_ = 0;
    Preparation preparation_;
};
