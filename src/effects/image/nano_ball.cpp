#include "effects/image/nano_ball.h"

#include <algorithm>
#include <cmath>

#include "platform/failure.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"

namespace Effekter {

namespace {

constexpr float kDegreesPerRadian = 57.2957795f;

}  // namespace

NanoBallFrame ComputeNanoBallFrame(uint32_t demo_time, float beat, uint32_t start, uint32_t end,
                                   uint32_t last_beat_time) {
    const float tf = static_cast<float>(demo_time);
    NanoBallFrame f;
    // Differences of times are unsigned, as everywhere in the show.
    f.background_grey = 0.5f + 0.5f * beat;
    if (demo_time > end - 7000u)
        f.background_grey = f.background_grey * static_cast<float>(end - demo_time) / 7000.0f;

    f.last_beat_time = beat > 0.25f ? demo_time : last_beat_time;

    const uint32_t since_start = demo_time - start;
    f.slide = since_start < 500u ? 10.0f - static_cast<float>(since_start) * 10.0f / 500.0f : 0.0f;
    const float since_beat = static_cast<float>(demo_time - f.last_beat_time);
    f.x = f.slide;
    f.y = since_beat / 100.0f - 10.0f;
    f.z = -16.0f;
    f.turn_x = tf / 100.0f + since_beat / 50.0f;
    f.turn_y = since_beat / 50.0f;
    f.turn_z = 20.0f * f.slide + tf / 100.0f;
    return f;
}

NanoSpikeDirection ComputeNanoSpikeDirection(int i) {
    // Even spread over the sphere: equal steps in z, the golden angle round it.
    const float golden = static_cast<float>((3.0 - std::sqrt(5.0)) * M_PI);
    const float fi = static_cast<float>(i);
    const float zc = fi / 256.0f - 1.0f + 1.0f / 512.0f;
    const float rho = std::sqrt(1.0f - zc * zc);
    const float theta = golden * fi;
    const float xc = rho * std::cos(theta);
    const float yc = rho * std::sin(theta);
    NanoSpikeDirection d;
    d.turn_y = std::atan2(xc, yc) * kDegreesPerRadian;
    d.turn_x = std::atan2(std::sqrt(xc * xc + yc * yc), zc) * kDegreesPerRadian - 90.0f;
    // The turn about x lifts the z axis to height zc, the turn about y
    // swings it round: the spike points along (xc, zc, yc).
    d.x = xc;
    d.y = zc;
    d.z = yc;
    return d;
}

float NanoSpikeLength(int first_random, int second_random, float seconds) {
    const float shortening = static_cast<float>(first_random & 31) * 0.099609375f;
    const float phase = static_cast<float>(second_random / 32767.0);
    return 10.0f - shortening + std::sin(1024.0f * phase + seconds);
}

float NanoSpikeDepth(const NanoBallFrame& frame, const NanoSpikeDirection& direction,
                     float length) {
    // The z row of the ball's rotation (about x, then y, then z).
    const float ax = frame.turn_x / kDegreesPerRadian, ay = frame.turn_y / kDegreesPerRadian,
                az = frame.turn_z / kDegreesPerRadian;
    const float sx = std::sin(ax), cx = std::cos(ax), sy = std::sin(ay), cy = std::cos(ay),
                sz = std::sin(az), cz = std::cos(az);
    const float rx = sx * sz - cx * sy * cz, ry = sx * cz + cx * sy * sz, rz = cx * cy;
    const float half = 0.5f * length;
    return frame.z + half * (rx * direction.x + ry * direction.y + rz * direction.z);
}

NanoBall::NanoBall(int start, int end) : Effekt(start, end), quadric_(gluNewQuadric()) {
    if (!quadric_) Fail("NanoBall: out of memory for a GLU quadric");
    gluQuadricTexture(quadric_.get(), GL_TRUE);
    gluQuadricNormals(quadric_.get(), GLU_SMOOTH);
    // Compiled once: the cylinder's normals point straight out, so
    // stretching it along its axis changes neither them nor its texture
    // coordinates (0 at the base, 1 at the top).
    cylinder_list_ = glGenLists(2);
    if (cylinder_list_ == 0) Fail("NanoBall: no display lists available");
    disc_list_ = cylinder_list_ + 1;
    glNewList(cylinder_list_, GL_COMPILE);
    gluCylinder(quadric_.get(), 0.5, 0.5, 1.0, 16, 1);
    glEndList();
    glNewList(disc_list_, GL_COMPILE);
    gluDisk(quadric_.get(), 0, 0.5, 16, 1);
    glEndList();
    spike_.Load("data/nanoball/zoomer1.jpg");
    flare_.Load("data/nanoball/flare.jpg");
    background_.Load("data/nanoball/bg.jpg");
    name_ = "NanoBall";
    for (int i = 0; i < kSpikes; ++i) directions_[i] = ComputeNanoSpikeDirection(i);
}

NanoBall::~NanoBall() { glDeleteLists(cylinder_list_, 2); }

void NanoBall::SetupTweaks() {
    if (!tweak_bar_) return;
    tweak_bar_->AddVarRW("Light pos", TW_TYPE_DIR3F, light_position_, "label='Light pos'");
    tweak_bar_->AddVarRW("Light amb", TW_TYPE_COLOR4F, light_ambient_, "label='Light amb'");
    tweak_bar_->AddVarRW("Light spc", TW_TYPE_COLOR4F, light_specular_, "label='Light spc'");
    tweak_bar_->AddVarRW("Light dif", TW_TYPE_COLOR4F, light_diffuse_, "label='Light dif'");
    tweak_bar_->AddVarRW("Light ref", TW_TYPE_COLOR4F, material_specular_, "label='Light ref'");
}

void NanoBall::Draw(uint32_t demo_time, float beat) {
    const NanoBallFrame f =
        ComputeNanoBallFrame(demo_time, beat, start_time_, end_time_, last_beat_time_);
    last_beat_time_ = f.last_beat_time;

    // Background picture over the whole window, fading out at the end.
    const float c = f.background_grey;
    glColor4f(c, c, c, c);
    {
        TextureBind bind(background_);
        Ortho2DScope view;
        MatrixScope matrix;
        glTranslatef(0, 0, -1);
        Quad(1, 1).Draw(1, 1);
    }

    // One light from behind the viewer, below the ball; the spikes show
    // little but its specular highlights.
    CEnabler depth(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glLightfv(GL_LIGHT1, GL_AMBIENT, light_ambient_);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, light_diffuse_);
    glLightfv(GL_LIGHT1, GL_SPECULAR, light_specular_);
    glLightfv(GL_LIGHT1, GL_POSITION, light_position_);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material_specular_);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 96);
    glEnable(GL_LIGHT1);  // stays on: later effects light with it
    CEnabler lighting(GL_LIGHTING);
    CEnabler colour_material(GL_COLOR_MATERIAL);
    CEnabler culling(GL_CULL_FACE);

    // The ball: 512 spikes, each a cylinder capped with a flare disc.
    {
        MatrixScope matrix;
        SeedRandom(0);  // the same spike lengths and phases every frame
        glTranslatef(f.x, f.y, f.z);
        RotateXYZ(Vec3(f.turn_x, f.turn_y, f.turn_z));
        const float seconds = static_cast<float>(demo_time) / 1000.0f;
        for (int i = 0; i < kSpikes; ++i) {
            const int first = NextRandom();
            const int second = NextRandom();
            lengths_[i] = NanoSpikeLength(first, second, seconds);
            depths_[i] = NanoSpikeDepth(f, directions_[i], lengths_[i]);
            order_[i] = static_cast<uint16_t>(i);
        }
        // Nearest first: hidden parts of the spikes behind then fail the
        // depth test early, which is most of their area. The picture does
        // not depend on the order, as depth testing decides what shows.
        std::sort(order_.begin(), order_.end(),
                  [&](uint16_t a, uint16_t b) { return depths_[a] > depths_[b]; });
        glColor3ub(96, 96, 96);  // with colour material: the spikes' ambient and diffuse
        // All cylinders with the spike picture, then all discs with the flare.
        {
            TextureBind bind(spike_);
            for (const uint16_t i : order_) {
                MatrixScope spike;
                glRotatef(directions_[i].turn_y, 0, 1, 0);
                glRotatef(directions_[i].turn_x, 1, 0, 0);
                glScalef(1, 1, lengths_[i]);
                glCallList(cylinder_list_);
            }
        }
        {
            TextureBind bind(flare_);
            for (const uint16_t i : order_) {
                MatrixScope spike;
                glRotatef(directions_[i].turn_y, 0, 1, 0);
                glRotatef(directions_[i].turn_x, 1, 0, 0);
                glTranslatef(0, 0, lengths_[i]);
                glCallList(disc_list_);
            }
        }
        glDisable(GL_LIGHTING);
    }
}

}  // namespace Effekter
