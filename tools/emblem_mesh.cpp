#include "emblem_mesh.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace emblem {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfThickness = 0.01;
constexpr int kRays = 8;

struct V2 {
    double x, y;
};
struct V3 {
    double x, y, z;
};

V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
V2 operator*(V2 a, double k) { return {a.x * k, a.y * k}; }
V2 Normalised(V2 a) {
    const double l = std::hypot(a.x, a.y);
    return {a.x / l, a.y / l};
}
V2 Polar(double radius, double angle) {
    return {radius * std::cos(angle), radius * std::sin(angle)};
}

V3 Normalised(V3 a) {
    const double l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return {a.x / l, a.y / l, a.z / l};
}

// A normal leaning from +z towards the in-plane direction `lean` by `degrees`.
V3 Leaning(V2 lean, double degrees) {
    const double a = degrees * kPi / 180;
    const V2 d = Normalised(lean);
    return Normalised({d.x * std::sin(a), d.y * std::sin(a), std::cos(a)});
}

// One flat piece of the emblem seen from the front: its outline
// (counter-clockwise), the vertices inside it, its triangles over both lists
// (outline first) and the front normal of every vertex.
struct Piece {
    std::vector<V2> outline;
    std::vector<V2> inside;
    std::vector<std::array<int, 3>> triangles;
    std::vector<V3> normals;

    int Count() const { return static_cast<int>(outline.size() + inside.size()); }
    V2 At(int i) const {
        const int n = static_cast<int>(outline.size());
        return i < n ? outline[i] : inside[i - n];
    }
};

// The sun: 24 outline points at radius 0.2 and a ring of 8 inside at 0.11,
// every third outline point on a spoke of the inner ring; the normals bulge
// like a low dome.
Piece Disc() {
    Piece p;
    const int outer = 24, inner = 8;
    for (int k = 0; k < outer; ++k) p.outline.push_back(Polar(0.2, 2 * kPi * k / outer));
    for (int j = 0; j < inner; ++j) p.inside.push_back(Polar(0.11, 2 * kPi * j / inner));
    for (int k = 0; k < outer; ++k) p.normals.push_back(Leaning(p.outline[k], 45));
    for (int j = 0; j < inner; ++j) p.normals.push_back(Leaning(p.inside[j], 14));
    auto o = [&](int k) { return k % outer; };
    auto i = [&](int j) { return outer + j % inner; };
    for (int j = 0; j < inner; ++j) {
        const int k = 3 * j;
        p.triangles.push_back({i(j), o(k), o(k + 1)});
        p.triangles.push_back({i(j), o(k + 1), o(k + 2)});
        p.triangles.push_back({i(j), o(k + 2), i(j + 1)});
        p.triangles.push_back({i(j + 1), o(k + 2), o(k + 3)});
    }
    for (int j = 1; j < inner - 1; ++j) p.triangles.push_back({i(0), i(j), i(j + 1)});
    return p;
}

// Ray r: a pentagon along a centre line that sweeps 0.45 radians
// counter-clockwise from radius 0.235 to its tip at radius 0.5; the tips sit
// at multiples of 45 degrees, so four of them mark the emblem's extent. The
// normals lean out across the ray's sides and forward at its tip, so the
// rays look ridged.
Piece Ray(int r) {
    const double sweep = 0.45, inner = 0.235, outer = 0.5;
    const double base_angle = 2 * kPi * r / kRays - sweep;
    auto centre = [&](double s) {
        return Polar(inner + s * (outer - inner), base_angle + sweep * s * s);
    };
    // Unit direction along the centre line, and its left-hand side.
    auto along = [&](double s) { return Normalised(centre(s + 0.01) - centre(s - 0.01)); };
    auto left = [&](double s) {
        const V2 a = along(s);
        return V2{-a.y, a.x};
    };
    const double base_width = 0.07, middle_width = 0.055;
    const V2 base_right = centre(0) - left(0) * base_width;
    const V2 base_left = centre(0) + left(0) * base_width;
    const V2 middle_right = centre(0.5) - left(0.5) * middle_width;
    const V2 middle_left = centre(0.5) + left(0.5) * middle_width;
    const V2 tip = centre(1);

    Piece p;
    p.outline = {base_right, middle_right, tip, middle_left, base_left};
    const V2 back = along(0) * -0.4;
    p.normals = {Leaning(left(0) * -1 + back, 38), Leaning(left(0.5) * -1, 38),
                 Leaning(along(1), 40), Leaning(left(0.5), 38), Leaning(left(0) + back, 38)};
    p.triangles = {{0, 1, 3}, {1, 2, 3}, {0, 3, 4}};
    return p;
}

double Cross(V2 a, V2 b) { return a.x * b.y - a.y * b.x; }

// Rounding leftovers such as cos(pi / 2) print as 0, not as -0.000000.
double Tidy(double v) { return std::fabs(v) < 5e-8 ? 0.0 : v; }

std::array<float, 3> Float3(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

void Check(bool ok, const char* what) {
    if (!ok) throw std::logic_error(what);
}

}  // namespace

Mesh BuildEmblem() {
    std::vector<Piece> pieces{Disc()};
    for (int r = 0; r < kRays; ++r) pieces.push_back(Ray(r));

    int per_side = 0, outline_total = 0;
    for (const Piece& p : pieces) {
        per_side += p.Count();
        outline_total += static_cast<int>(p.outline.size());
    }

    // Vertices: every front vertex, then every back vertex in the same order.
    // Normals: the front normals, the mirrored back normals, then two per
    // outline point for the rim (leaning to the front, leaning to the back).
    Mesh mesh;
    mesh.vertices.resize(2 * per_side);
    mesh.normals.resize(2 * per_side + 2 * outline_total);
    int base = 0, rim_base = 2 * per_side;
    for (const Piece& p : pieces) {
        for (int i = 0; i < p.Count(); ++i) {
            const V2 v = p.At(i);
            const V3 n = p.normals[i];
            mesh.vertices[base + i] = Float3(v.x, v.y, kHalfThickness);
            mesh.vertices[per_side + base + i] = Float3(v.x, v.y, -kHalfThickness);
            mesh.normals[base + i] = Float3(n.x, n.y, n.z);
            mesh.normals[per_side + base + i] = Float3(n.x, n.y, -n.z);
        }
        const int n = static_cast<int>(p.outline.size());
        for (int i = 0; i < n; ++i) {
            // Outward in the plane: between the outward sides of the two edges.
            const V2 prev = p.outline[(i + n - 1) % n], here = p.outline[i],
                     next = p.outline[(i + 1) % n];
            const V2 e1 = Normalised(here - prev), e2 = Normalised(next - here);
            const V2 out = Normalised(V2{e1.y, -e1.x} + V2{e2.y, -e2.x});
            const V3 front = Normalised({out.x, out.y, 0.5});
            const V3 rear = Normalised({out.x, out.y, -0.5});
            mesh.normals[rim_base + 2 * i] = Float3(front.x, front.y, front.z);
            mesh.normals[rim_base + 2 * i + 1] = Float3(rear.x, rear.y, rear.z);
        }

        auto face = [&](int a, int b, int c, int na, int nb, int nc) {
            mesh.faces.push_back({static_cast<int16_t>(a), static_cast<int16_t>(b),
                                  static_cast<int16_t>(c), static_cast<int16_t>(na),
                                  static_cast<int16_t>(nb), static_cast<int16_t>(nc)});
        };
        for (const auto& t : p.triangles) {
            Check(Cross(p.At(t[1]) - p.At(t[0]), p.At(t[2]) - p.At(t[0])) > 1e-6,
                  "a front triangle is not counter-clockwise");
            const int a = base + t[0], b = base + t[1], c = base + t[2];
            face(a, b, c, a, b, c);
        }
        for (const auto& t : p.triangles) {
            // Seen from behind the same triangle turns the other way.
            const int a = per_side + base + t[0], b = per_side + base + t[2],
                      c = per_side + base + t[1];
            face(a, b, c, a, b, c);
        }
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            const int af = base + i, bf = base + j, ab = per_side + af, bb = per_side + bf;
            const int naf = rim_base + 2 * i, nab = naf + 1;
            const int nbf = rim_base + 2 * j, nbb = nbf + 1;
            face(af, ab, bb, naf, nab, nbb);
            face(af, bb, bf, naf, nbb, nbf);
        }
        base += p.Count();
        rim_base += 2 * n;
    }

    Check(mesh.faces.size() == 252, "the emblem must have 252 faces");
    Check(mesh.vertices.size() == 144, "the emblem must have 144 vertices");
    Check(mesh.normals.size() == 272, "the emblem must have 272 normals");
    // Every corner's normal faces the side the triangle winds towards.
    for (const auto& f : mesh.faces) {
        const auto& a = mesh.vertices[f[0]];
        const auto& b = mesh.vertices[f[1]];
        const auto& c = mesh.vertices[f[2]];
        const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
        const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
        const double gx = uy * vz - uz * vy, gy = uz * vx - ux * vz, gz = ux * vy - uy * vx;
        for (int k = 3; k < 6; ++k) {
            const auto& n = mesh.normals[f[k]];
            Check(gx * n[0] + gy * n[1] + gz * n[2] > 0, "a normal faces away from its face");
        }
    }
    return mesh;
}

std::string EmblemSource(const Mesh& mesh) {
    std::string s =
        "// Generated by tools/make_emblem (tools/emblem_mesh.cpp); remake it with\n"
        "//   build/make_emblem src/effects/image/quill3d_emblem.cpp\n"
        "// rather than editing the numbers by hand.\n"
        "#include \"effects/image/quill3d_emblem.h\"\n"
        "\n"
        "namespace Effekter {\n"
        "\n"
        "// clang-format off\n";
    char line[160];
    s += "const int16_t kEmblemFaceTable[kEmblemFaces][6] = {\n";
    for (const auto& f : mesh.faces) {
        std::snprintf(line, sizeof line, "    {%d, %d, %d, %d, %d, %d},\n", f[0], f[1], f[2], f[3],
                      f[4], f[5]);
        s += line;
    }
    s += "};\n\nconst float kEmblemVertexTable[kEmblemVertices][3] = {\n";
    for (const auto& v : mesh.vertices) {
        std::snprintf(line, sizeof line, "    {%.6ff, %.6ff, %.6ff},\n", Tidy(v[0]), Tidy(v[1]),
                      Tidy(v[2]));
        s += line;
    }
    s += "};\n\nconst float kEmblemNormalTable[kEmblemNormals][3] = {\n";
    for (const auto& n : mesh.normals) {
        std::snprintf(line, sizeof line, "    {%.7ff, %.7ff, %.7ff},\n", Tidy(n[0]), Tidy(n[1]),
                      Tidy(n[2]));
        s += line;
    }
    s += "};\n// clang-format on\n\n}  // namespace Effekter\n";
    return s;
}

}  // namespace emblem
