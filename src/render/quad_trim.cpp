#include "render/quad_trim.h"

#include <algorithm>
#include <cmath>

namespace {

double Det(const double a[3], const double b[3], const double c[3]) {
    return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
           a[2] * (b[0] * c[1] - b[1] * c[0]);
}

}  // namespace

int TrimCornerCount(int width) { return 2 * (width / kTrimTile + 2); }

int QuadScissorBoxes(const float modelview[16], const Vec3& position, float half_width,
                     float half_height, int width, int height, const TexelCoverage& coverage,
                     ScissorBox* boxes, int capacity, TrimCorner* corners) {
    if (width <= 0 || height <= 0 || coverage.Empty() || half_width <= 0 || half_height <= 0)
        return -1;
    const float* m = modelview;
    const double a[3] = {m[0], m[1], m[2]}, b[3] = {m[4], m[5], m[6]};
    // The quad's centre in eye space, negated for the right-hand side.
    double minus_o[3];
    for (int i = 0; i < 3; ++i)
        minus_o[i] =
            -(m[12 + i] + position.x * m[i] + position.y * m[4 + i] + position.z * m[8 + i]);
    const double f = 1.0 / std::tan(20.0 * M_PI / 180.0);
    const double aspect = static_cast<double>(width) / height;
    const double texels_u = coverage.Width(), texels_v = coverage.Height();

    // Where the ray through window point (x, y) meets the quad, in texels:
    // lx A + ly B - t d = -O for the ray direction d.
    auto corner = [&](double x, double y) {
        const double minus_d[3] = {-(2 * x / width - 1) * aspect / f, -(2 * y / height - 1) / f,
                                   1.0};
        TrimCorner c{0, 0, false};
        const double det = Det(a, b, minus_d);
        if (std::fabs(det) < 1e-12) return c;
        const double t = Det(a, b, minus_o) / det;
        if (!(t > 0)) return c;
        const double lx = Det(minus_o, b, minus_d) / det, ly = Det(a, minus_o, minus_d) / det;
        const double u = (lx + half_width) / (2 * half_width) * texels_u - 0.5;
        const double v = (ly + half_height) / (2 * half_height) * texels_v - 0.5;
        // Far outside the picture is as good as just outside it.
        c.u = static_cast<float>(std::clamp(u, -1e6, 1e6));
        c.v = static_cast<float>(std::clamp(v, -1e6, 1e6));
        c.valid = true;
        return c;
    };

    const int columns = (width + kTrimTile - 1) / kTrimTile;
    TrimCorner* below = corners;
    TrimCorner* above = below + columns + 1;
    auto row_of_corners = [&](TrimCorner* row, int y) {
        for (int i = 0; i <= columns; ++i) row[i] = corner(std::min(i * kTrimTile, width), y);
    };
    row_of_corners(below, 0);

    // Runs of lit squares along each row; a row equal to the one below
    // makes its boxes taller instead of adding new ones.
    constexpr int kMostRuns = 64;
    int previous[2 * kMostRuns], previous_count = -1, previous_first = 0;
    int count = 0;
    for (int y = 0; y < height; y += kTrimTile) {
        const int top = std::min(y + kTrimTile, height);
        row_of_corners(above, top);
        int runs[2 * kMostRuns], run_count = 0;
        bool open = false;
        for (int i = 0; i < columns; ++i) {
            const TrimCorner* four[4] = {&below[i], &below[i + 1], &above[i], &above[i + 1]};
            bool lit = true;
            if (four[0]->valid && four[1]->valid && four[2]->valid && four[3]->valid) {
                float u0 = four[0]->u, u1 = u0, v0 = four[0]->v, v1 = v0;
                for (const TrimCorner* c : four) {
                    u0 = std::min(u0, c->u);
                    u1 = std::max(u1, c->u);
                    v0 = std::min(v0, c->v);
                    v1 = std::max(v1, c->v);
                }
                // Bilinear samples reach the next texel; one more for rounding.
                lit = coverage.AnyLit(
                    static_cast<int>(std::floor(u0)) - 1, static_cast<int>(std::floor(v0)) - 1,
                    static_cast<int>(std::floor(u1)) + 2, static_cast<int>(std::floor(v1)) + 2);
            }
            const int x = i * kTrimTile;
            if (lit && !open) {
                if (run_count == kMostRuns) return -1;
                runs[2 * run_count] = x;
                open = true;
            }
            if (!lit && open) {
                runs[2 * run_count++ + 1] = x;
                open = false;
            }
        }
        if (open) runs[2 * run_count++ + 1] = width;
        std::swap(below, above);
        if (run_count == previous_count && std::equal(runs, runs + 2 * run_count, previous)) {
            for (int i = 0; i < run_count; ++i) boxes[previous_first + i].height += top - y;
            continue;
        }
        if (count + run_count > capacity) return -1;
        previous_first = count;
        for (int i = 0; i < run_count; ++i)
            boxes[count++] = ScissorBox{runs[2 * i], y, runs[2 * i + 1] - runs[2 * i], top - y};
        std::copy(runs, runs + 2 * run_count, previous);
        previous_count = run_count;
    }
    return count;
}

QuadTrim::QuadTrim(int largest_width, int largest_height)
    : largest_width_(largest_width), largest_height_(largest_height) {
    // Every row of squares may split into runs at every other square.
    const int columns = (largest_width + kTrimTile - 1) / kTrimTile;
    const int rows = (largest_height + kTrimTile - 1) / kTrimTile;
    boxes_.resize(static_cast<size_t>(std::max(rows * (columns / 2 + 1), 1)));
    corners_.resize(static_cast<size_t>(TrimCornerCount(std::max(largest_width, 1))));
}

int QuadTrim::Draw(const Quad& quad, const TexelCoverage& coverage) {
    const int width = WindowWidth(), height = WindowHeight();
    int count = -1;
    if (!coverage.Empty() && width <= largest_width_ && height <= largest_height_) {
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        count = QuadScissorBoxes(m, quad.position, quad.half_extent.x, quad.half_extent.y, width,
                                 height, coverage, boxes_.data(), static_cast<int>(boxes_.size()),
                                 corners_.data());
    }
    if (count < 0) {
        glScissor(0, 0, width, height);
        quad.Draw(1, 1);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const ScissorBox& box = boxes_[static_cast<size_t>(i)];
        glScissor(box.x, box.y, box.width, box.height);
        quad.Draw(1, 1);
    }
    return count;
}
