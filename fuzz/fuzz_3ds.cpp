// libFuzzer harness for the 3DS reader: any byte block is read and every mesh
// prepared. Besides the sanitizers it checks what the display-list builder
// relies on: no mesh grows past the 65,536 vertices 16-bit corners address,
// and the compact face list matches the triangle records.
#include <cstddef>
#include <cstdint>

#include "model3ds/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    L3DS model(data, size);
    for (uint32_t m = 0; m < model.MeshCount(); ++m) {
        const LMesh& mesh = model.MeshAt(m);
        if (mesh.VertexCount() > 65536) __builtin_trap();
        for (uint32_t i = 0; i < mesh.TriangleCount(); ++i) {
            const Face& face = *mesh.FaceData(i);
            const MeshTriangle& t = mesh.TriangleAt(i);
            if (face.a != t.a || face.b != t.b || face.c != t.c) __builtin_trap();
        }
    }
    return 0;
}
