// Vec3: three floats x, y, z, for positions, extents, translations and Euler
// angles in degrees. Plain value type; needs no GL.
#pragma once

struct Vec3 {
    float x = 0, y = 0, z = 0;
    Vec3() = default;
    Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    void Set(float x_, float y_, float z_) {
        x = x_;
        y = y_;
        z = z_;
    }
};
