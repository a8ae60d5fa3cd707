#include "render/quad_trim.h"

#include <algorithm>
#include <cmath>

namespace {

double Det(const double a[3], const double b[3], const double c[3]) {
    return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
           a[2] * (b[0] * c[1] - b[1] * c[0]);
}

// The inverse of a column-major 4 x 4 matrix; false when it has none.
bool Invert(const float m[16], double out[16]) {
    double inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
             m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
             m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
             m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
              m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
             m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
             m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
             m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
              m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
             m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
              m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
              m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
             m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    const double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (std::fabs(det) < 1e-30) return false;
    for (int i = 0; i < 16; ++i) out[i] = inv[i] / det;
    return true;
}

}  // namespace

int TrimTile(int width) {
    int tile = kSmallestTrimTile;
    while (width > kTrimColumns * tile) tile *= 2;
    return tile;
}

int TrimCornerCount(int) { return 2 * (kTrimColumns + 2); }

int QuadScissorBoxes(const float modelview[16], const float projection[16], const Vec3& position,
                     float half_width, float half_height, int width, int height,
                     const TexelCoverage& coverage, ScissorBox* boxes, int capacity,
                     TrimCorner* corners) {
    double unproject[16];
    if (width <= 0 || height <= 0 || coverage.Empty() || half_width <= 0 || half_height <= 0 ||
        !Invert(projection, unproject))
        return -1;
    const float* m = modelview;
    const double a[3] = {m[0], m[1], m[2]}, b[3] = {m[4], m[5], m[6]};
    // The quad's centre in eye space.
    double o[3];
    for (int i = 0; i < 3; ++i)
        o[i] = m[12 + i] + position.x * m[i] + position.y * m[4 + i] + position.z * m[8 + i];
    const double texels_u = coverage.Width(), texels_v = coverage.Height();

    // The eye-space point of normalised device coordinates (x, y, z).
    auto eye_point = [&](double x, double y, double z, double p[3]) {
        double w = unproject[3] * x + unproject[7] * y + unproject[11] * z + unproject[15];
        if (std::fabs(w) < 1e-30) w = 1e-30;
        for (int i = 0; i < 3; ++i)
            p[i] = (unproject[i] * x + unproject[4 + i] * y + unproject[8 + i] * z +
                    unproject[12 + i]) /
                   w;
    };
    // Where the ray through window point (x, y), from the near plane to the
    // far one, meets the quad, in texels: lx A + ly B - s d = p - O.
    auto corner = [&](double x, double y) {
        const double nx = 2 * x / width - 1, ny = 2 * y / height - 1;
        double near_point[3], far_point[3];
        eye_point(nx, ny, -1, near_point);
        eye_point(nx, ny, 1, far_point);
        double minus_d[3], right[3];
        for (int i = 0; i < 3; ++i) {
            minus_d[i] = near_point[i] - far_point[i];
            right[i] = near_point[i] - o[i];
        }
        TrimCorner c{0, 0, false};
        const double det = Det(a, b, minus_d);
        if (std::fabs(det) < 1e-12) return c;
        const double s = Det(a, b, right) / det;
        // Before the near plane or beyond the far one nothing is drawn there.
        if (!(s >= 0 && s <= 1)) return c;
        const double lx = Det(right, b, minus_d) / det, ly = Det(a, right, minus_d) / det;
        const double u = (lx + half_width) / (2 * half_width) * texels_u - 0.5;
        const double v = (ly + half_height) / (2 * half_height) * texels_v - 0.5;
        // Far outside the picture is as good as just outside it.
        c.u = static_cast<float>(std::clamp(u, -1e6, 1e6));
        c.v = static_cast<float>(std::clamp(v, -1e6, 1e6));
        c.valid = true;
        return c;
    };

    // Only the squares under the quad's outline need a look: its corners'
    // window positions bound it when all of them lie in front of the eye.
    const int tile = TrimTile(width);
    const int columns = (width + tile - 1) / tile;
    const int rows = (height + tile - 1) / tile;
    int first_column = 0, last_column = columns - 1, first_row = 0, last_row = rows - 1;
    {
        double low_x = 1e30, high_x = -1e30, low_y = 1e30, high_y = -1e30;
        bool in_front = true;
        int outside[6] = {0, 0, 0, 0, 0, 0};  // corners beyond each clipping plane
        for (int k = 0; k < 4; ++k) {
            const double lx = (k & 1 ? 1 : -1) * half_width, ly = (k & 2 ? 1 : -1) * half_height;
            const double e[4] = {o[0] + lx * a[0] + ly * b[0], o[1] + lx * a[1] + ly * b[1],
                                 o[2] + lx * a[2] + ly * b[2], 1.0};
            double clip[4];
            for (int i = 0; i < 4; ++i)
                clip[i] = projection[i] * e[0] + projection[4 + i] * e[1] +
                          projection[8 + i] * e[2] + projection[12 + i] * e[3];
            for (int axis = 0; axis < 3; ++axis) {
                outside[2 * axis] += clip[axis] < -clip[3];
                outside[2 * axis + 1] += clip[axis] > clip[3];
            }
            in_front = in_front && clip[3] > 1e-9;
            if (!in_front) continue;
            const double x = (clip[0] / clip[3] + 1) / 2 * width;
            const double y = (clip[1] / clip[3] + 1) / 2 * height;
            low_x = std::min(low_x, x);
            high_x = std::max(high_x, x);
            low_y = std::min(low_y, y);
            high_y = std::max(high_y, y);
        }
        // All corners beyond one plane: the GL clips the quad away whole.
        for (const int beyond : outside)
            if (beyond == 4) return 0;
        if (in_front) {
            if (high_x < 0 || low_x > width || high_y < 0 || low_y > height) return 0;
            // A square to spare on each side.
            auto square = [tile](double v, int side) {
                return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(side))) / tile;
            };
            first_column = std::max(square(low_x, width) - 1, 0);
            last_column = std::min(square(high_x, width) + 1, columns - 1);
            first_row = std::max(square(low_y, height) - 1, 0);
            last_row = std::min(square(high_y, height) + 1, rows - 1);
        }
    }
    TrimCorner* below = corners;
    TrimCorner* above = below + columns + 1;
    auto row_of_corners = [&](TrimCorner* row, int y) {
        for (int i = first_column; i <= last_column + 1; ++i)
            row[i] = corner(std::min(i * tile, width), y);
    };
    row_of_corners(below, first_row * tile);

    // Runs of lit squares along each row; a run with the same ends as a box
    // of the row below makes that box taller instead of adding one.
    constexpr int kMostRuns = 64;
    int open_boxes[kMostRuns], open_count = 0;  // boxes reaching the row below, left to right
    int count = 0;
    for (int row = first_row; row <= last_row; ++row) {
        const int y = row * tile, top = std::min(y + tile, height);
        row_of_corners(above, top);
        int runs[2 * kMostRuns], run_count = 0;
        bool open = false;
        for (int i = first_column; i <= last_column; ++i) {
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
            const int x = i * tile;
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
        if (open) runs[2 * run_count++ + 1] = std::min((last_column + 1) * tile, width);
        std::swap(below, above);
        int still_open[kMostRuns], still_count = 0;
        for (int r = 0, o = 0; r < run_count; ++r) {
            const int x0 = runs[2 * r], x1 = runs[2 * r + 1];
            while (o < open_count && boxes[open_boxes[o]].x < x0) ++o;
            if (o < open_count && boxes[open_boxes[o]].x == x0 &&
                boxes[open_boxes[o]].x + boxes[open_boxes[o]].width == x1) {
                boxes[open_boxes[o]].height += top - y;
                still_open[still_count++] = open_boxes[o];
                continue;
            }
            if (count == capacity) return -1;
            boxes[count] = ScissorBox{x0, y, x1 - x0, top - y};
            still_open[still_count++] = count++;
        }
        std::copy(still_open, still_open + still_count, open_boxes);
        open_count = still_count;
    }
    return count;
}

QuadTrim::QuadTrim(int largest_width, int largest_height)
    : largest_width_(largest_width), largest_height_(largest_height) {
    // Every row of squares may split into runs at every other square; rows
    // are most when the squares are smallest.
    const int columns = kTrimColumns;
    const int rows = (largest_height + kSmallestTrimTile - 1) / kSmallestTrimTile;
    boxes_.resize(static_cast<size_t>(std::max(rows * (columns / 2 + 1), 1)));
    corners_.resize(static_cast<size_t>(TrimCornerCount(std::max(largest_width, 1))));
}

int QuadTrim::Draw(const Quad& quad, const TexelCoverage& coverage) {
    const int width = WindowWidth(), height = WindowHeight();
    int count = -1;
    // Feedback and selection rasterise nothing: whoever reads the geometry
    // back gets it once.
    GLint mode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    if (mode == GL_RENDER && !coverage.Empty() && width <= largest_width_ &&
        height <= largest_height_) {
        GLfloat modelview[16], projection[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        count = QuadScissorBoxes(modelview, projection, quad.position, quad.half_extent.x,
                                 quad.half_extent.y, width, height, coverage, boxes_.data(),
                                 static_cast<int>(boxes_.size()), corners_.data());
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
