// MeshDisplayList: the first mesh of a 3DS file compiled into one OpenGL
// display list.
//
// Construct with the GL context current. The file is read and prepared
// (reader.h), the list is compiled with client vertex arrays (positions
// always; normals, texture coordinates and binormals-as-colours by flag) and
// the model data is released; the object then holds only the list name,
// and deletes the list with itself (an effect rebuilt by a script reload
// frees its mesh). Calling it changes no client-array state. A missing or
// unreadable file, or one without a mesh, gives an empty list and one
// diagnostic line on standard error; it never raises. Triangles with a
// corner outside the vertex list are left out.
//
// While asset reloading is on (platform/asset_reload.h) the list records its
// file; Reload() reads it again and recompiles the same list name, or raises
// "No mesh in \"<path>\" (missing, unreadable or empty)" and keeps the list
// it had.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <string>

#include "platform/asset_reload.h"

class L3DS;

class MeshDisplayList : public ReloadableAsset {
public:
    enum Flags : uint32_t {
        kNormals = 1,
        kTexCoords = 2,
        kBinormalColours = 4,
    };

    MeshDisplayList(const char* file_name, uint32_t flags);
    ~MeshDisplayList() override;
    MeshDisplayList(const MeshDisplayList&) = delete;
    MeshDisplayList& operator=(const MeshDisplayList&) = delete;

    // A sphere in model units holding every vertex of the mesh; radius -1
    // for an empty list. Follows a reload.
    struct Sphere {
        float x = 0, y = 0, z = 0, radius = -1;
    };
    const Sphere& Bounds() const { return bounds_; }

    GLuint Name() const { return list_; }
    void Call() const { glCallList(list_); }
    void Reload() override;

private:
    void Compile(L3DS& model);

    GLuint list_;
    std::string path_;
    uint32_t flags_;
    Sphere bounds_;
};
