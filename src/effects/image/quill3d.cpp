#include "effects/image/quill3d.h"

#include "effects/image/quill3d_emblem.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"

namespace Effekter {

namespace {

// Compiles the emblem: one triangle list, a normal before every corner.
GLint BuildEmblemList() {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (const auto& face : kEmblemFaceTable) {
        for (int corner = 0; corner < 3; ++corner) {
            glNormal3fv(kEmblemNormalTable[face[3 + corner]]);
            glVertex3fv(kEmblemVertexTable[face[corner]]);
        }
    }
    glEnd();
    glEndList();
    return static_cast<GLint>(list);
}

// GL_LIGHT0 at its default position (straight along the view axis), grey
// ambient, a diffuse above 1 so faces that look at it come out white.
void SetUpLight() {
    static const GLfloat kAmbient[4] = {0.1f, 0.1f, 0.1f, 1};
    static const GLfloat kDiffuse[4] = {1.2f, 1.2f, 1.2f, 1};
    static const GLfloat kSpecular[4] = {0.9f, 0.9f, 0.9f, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, kAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kSpecular);
    glDisable(GL_CULL_FACE);
}

// Two-sided lighting for a scope (the back of the plate is lit too); leaving
// it restores the one-sided default.
class TwoSidedLighting {
public:
    TwoSidedLighting() { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }
    ~TwoSidedLighting() { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0); }
    TwoSidedLighting(const TwoSidedLighting&) = delete;
    TwoSidedLighting& operator=(const TwoSidedLighting&) = delete;
};

}  // namespace

Quill3D::Quill3D(int start, int end) : Effekt(start, end) { name_ = "Quill3D"; }

Quill3D::~Quill3D() {
    if (display_list_ >= 0) glDeleteLists(static_cast<GLuint>(display_list_), 1);
}

void Quill3D::SetupTweaks() {
    static_assert(sizeof(Vec3) == 3 * sizeof(float), "vectors are edited as three floats");
    if (!tweak_bar_) return;
    tweak_bar_->AddVarRW("Cam pos", TW_TYPE_DIR3F, &camera_position_, "label='Cam pos'");
    tweak_bar_->AddVarRW("Pole pos", TW_TYPE_DIR3F, &pole_position_, "label='Pole pos'");
    tweak_bar_->AddVarRW("Pole rot", TW_TYPE_DIR3F, &pole_rotation_, "label='Pole rot'");
}

void Quill3D::Draw(uint32_t, float) {
    if (display_list_ < 0) display_list_ = BuildEmblemList();

    // The lit emblem. The guards switch lighting off again on the way out:
    // left on, it would turn every later textured layer into flat grey.
    glColor4f(1, 1, 1, 1);
    CEnabler lighting(GL_LIGHTING);
    CEnabler light(GL_LIGHT0);
    TwoSidedLighting two_sided;
    CEnabler depth(GL_DEPTH_TEST);
    SetUpLight();
    MatrixScope matrix;
    glTranslatef(camera_position_.x, camera_position_.y, camera_position_.z);
    glTranslatef(pole_position_.x, pole_position_.y, pole_position_.z);
    RotateXYZ(pole_rotation_);
    glCallList(static_cast<GLuint>(display_list_));
}

}  // namespace Effekter
