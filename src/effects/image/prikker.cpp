#include "effects/image/prikker.h"

#include <cmath>

#include "render/gl_guards.h"

namespace Effekter {

void MakePrikParticles(PrikParticle (&particles)[Prikker::kParticles]) {
    SeedRandom(Prikker::kSeed);
    for (int i = 0; i < Prikker::kParticles; ++i) {
        PrikParticle& p = particles[i];
        const float r1 = RandomUnit();
        const float r2 = RandomUnit();
        const float r3 = RandomUnit();
        p.position = Vec3(r3 + 0.25f * static_cast<float>(i), r2, r1);
        p.amplitude = std::fabs(2.0f * RandomUnit());
        p.texture_index = 2;  // every sprite shows the third picture
        p.speed = 0.001f * RandomUnit();
    }
}

PrikSprite ComputePrikSprite(const PrikParticle& particle, int32_t relative) {
    const float rf = static_cast<float>(relative);
    // start - demo time, the same difference with the opposite sign.
    const float nf = static_cast<float>(-static_cast<int64_t>(relative));
    const float phase = particle.speed * rf;
    PrikSprite s;
    s.brightness = particle.amplitude * std::sin(phase);
    s.drift_x = particle.speed * nf;
    s.angle = 10.0f * particle.speed * rf;
    return s;
}

Prikker::Prikker(int start, int end) : Effekt(start, end) {
    textures_[0].Load("data/ostra/prikker/prik1.png");
    textures_[1].Load("data/ostra/prikker/prik2.png");
    textures_[2].Load("data/ostra/prikker/prik3.png");
    textures_[3].Load("data/ostra/prikker/prik4.png");
    MakePrikParticles(particles_);
}

void Prikker::Draw(uint32_t demo_time, float) {
    // Signed: a demo time before the start (after a seek) runs the drift back.
    const int32_t relative = static_cast<int32_t>(demo_time - start_time_);

    // Additive sprites, each pulsing, drifting left and turning on its own.
    CTransparency additive(GL_ONE, GL_ONE);
    MatrixScope field;
    glTranslatef(0, 0, -10);
    for (const PrikParticle& particle : particles_) {
        const PrikSprite s = ComputePrikSprite(particle, relative);
        MatrixScope matrix;
        glColor4f(s.brightness, s.brightness, s.brightness, s.brightness);
        glTranslatef(particle.position.x, particle.position.y, particle.position.z);
        glTranslatef(s.drift_x, 0, 0);
        RotateXYZ(Vec3(0, 0, s.angle));
        TextureBind bind(textures_[particle.texture_index]);
        Quad(1, 1).Draw(1, 1);
    }
}

}  // namespace Effekter
