// Effekter::Quill3D ("Quill3D"): one small lit emblem, a sun disc ringed by
// eight curved rays (the compiled-in tables of quill3d_emblem.h), seen
// face-on at distance 8 in the standard view and placed by three tweak
// vectors: "Cam pos", "Pole pos" and "Pole rot" (degrees about x, y, z).
//
// Loads nothing; the emblem's display list is built on the first Draw and
// kept. Draw ignores the demo time and the beat: it lights the white emblem
// with GL_LIGHT0 (ambient 0.1, diffuse 1.2, specular 0.9, the default
// position, two-sided) with depth testing, then switches lighting, GL_LIGHT0,
// two-sided lighting and depth testing off again, so effects drawn after it
// are not lit. Leaves the colour white, GL_CULL_FACE off, no texture bound
// and the standard perspective view.
#pragma once

#include <GL/glew.h>

#include "render/vec3.h"
#include "timeline/effekt.h"

namespace Effekter {

class Quill3D : public Effekt {
public:
    Quill3D(int start, int end);
    ~Quill3D() override;
    void SetupTweaks() override;
    void Draw(uint32_t demo_time, float beat) override;

    // The emblem's display list; -1 until the first Draw builds it.
    GLint DisplayList() const { return display_list_; }

private:
    GLint display_list_ = -1;
    Vec3 pole_position_;
    Vec3 pole_rotation_;
    Vec3 camera_position_{0, 0, -8};
};

}  // namespace Effekter
