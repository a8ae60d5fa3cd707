// Stroke font of the picture generators; see picture_font.h.
#include "picture_font.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace pictures {

namespace {

// Polylines as "x y x y ..." runs separated by '|'; one glyph per character.
const char* GlyphPath(char c) {
    switch (c) {
        case 'A': return "0 6 0 2 2 0 4 2 4 6|0 4 4 4";
        case 'B': return "0 0 0 6 3 6 4 5 4 4 3 3 0 3|0 0 3 0 4 1 4 2 3 3";
        case 'C': return "4 0 1 0 0 1 0 5 1 6 4 6";
        case 'D': return "0 0 0 6 3 6 4 5 4 1 3 0 0 0";
        case 'E': return "4 0 0 0 0 6 4 6|0 3 3 3";
        case 'F': return "4 0 0 0 0 6|0 3 3 3";
        case 'G': return "4 1 3 0 1 0 0 1 0 5 1 6 3 6 4 5 4 3 2 3";
        case 'H': return "0 0 0 6|4 0 4 6|0 3 4 3";
        case 'I': return "1 0 3 0|2 0 2 6|1 6 3 6";
        case 'J': return "4 0 4 5 3 6 1 6 0 5";
        case 'K': return "0 0 0 6|4 0 0 4|1.3 3.1 4 6";
        case 'L': return "0 0 0 6 4 6";
        case 'M': return "0 6 0 0 2 3 4 0 4 6";
        case 'N': return "0 6 0 0 4 6 4 0";
        case 'O': return "1 0 3 0 4 1 4 5 3 6 1 6 0 5 0 1 1 0";
        case 'P': return "0 6 0 0 3 0 4 1 4 2 3 3 0 3";
        case 'Q': return "1 0 3 0 4 1 4 5 3 6 1 6 0 5 0 1 1 0|2.5 4.5 4 6";
        case 'R': return "0 6 0 0 3 0 4 1 4 2 3 3 0 3|2 3 4 6";
        case 'S': return "4 1 3 0 1 0 0 1 0 2 1 3 3 3 4 4 4 5 3 6 1 6 0 5";
        case 'T': return "0 0 4 0|2 0 2 6";
        case 'U': return "0 0 0 5 1 6 3 6 4 5 4 0";
        case 'V': return "0 0 2 6 4 0";
        case 'W': return "0 0 1 6 2 2.5 3 6 4 0";
        case 'X': return "0 0 4 6|4 0 0 6";
        case 'Y': return "0 0 2 3 4 0|2 3 2 6";
        case 'Z': return "0 0 4 0 0 6 4 6";
        case '0': return "1 0 3 0 4 1 4 5 3 6 1 6 0 5 0 1 1 0|4 1 0 5";
        case '1': return "1 1 2 0 2 6|1 6 3 6";
        case '2': return "0 1 1 0 3 0 4 1 4 2 0 6 4 6";
        case '3': return "0 0 4 0 2 2.5 3 2.5 4 3.5 4 5 3 6 1 6 0 5";
        case '4': return "3 6 3 0 0 4 4 4";
        case '5': return "4 0 0 0 0 2.5 3 2.5 4 3.5 4 5 3 6 0 6";
        case '6': return "3 0 1 0 0 1 0 5 1 6 3 6 4 5 4 4 3 3 0 3";
        case '7': return "0 0 4 0 1.5 6";
        case '8': return "1 0 3 0 4 1 4 2 3 3 1 3 0 4 0 5 1 6 3 6 4 5 4 4 3 3|1 3 0 2 0 1 1 0";
        case '9': return "4 3 1 3 0 2 0 1 1 0 3 0 4 1 4 5 3 6 1 6";
        case '.': return "2 5.6 2 6";
        case '-': return "1 3 3 3";
        case '!': return "2 0 2 4|2 5.6 2 6";
        case ':': return "2 1.6 2 2|2 4.6 2 5";
        default: return "";
    }
}

struct Segment {
    float ax, ay, bx, by;
};

std::vector<Segment> GlyphSegments(char c) {
    std::vector<Segment> segments;
    const char* p = GlyphPath(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    std::vector<float> run;
    auto flush = [&] {
        for (size_t i = 2; i + 1 < run.size(); i += 2)
            segments.push_back({run[i - 2], run[i - 1], run[i], run[i + 1]});
        run.clear();
    };
    while (*p) {
        if (*p == '|') {
            flush();
            ++p;
        } else if (*p == ' ') {
            ++p;
        } else {
            char* end = nullptr;
            run.push_back(std::strtof(p, &end));
            p = end;
        }
    }
    flush();
    return segments;
}

}  // namespace

float TextWidth(const std::string& text, const TextStyle& style) {
    if (text.empty()) return 0;
    float unit = style.height / 6;
    return (text.size() * (4 + style.spacing) - style.spacing) * unit;
}

void DrawText(Mask& mask, const std::string& text, float cx, float cy, const TextStyle& style) {
    float unit = style.height / 6;
    float unit_y = unit * style.stretch_y;
    float left = cx - TextWidth(text, style) / 2;
    float top = cy - style.height * style.stretch_y / 2;
    float half = style.stroke / 2;
    for (size_t i = 0; i < text.size(); ++i) {
        float ox = left + i * (4 + style.spacing) * unit;
        for (const Segment& s : GlyphSegments(text[i])) {
            // Grid to pixels, slanting by the distance above the baseline.
            auto px = [&](float gx, float gy) {
                return ox + gx * unit + (6 - gy) * unit * style.slant;
            };
            float ax = px(s.ax, s.ay), ay = top + s.ay * unit_y;
            float bx = px(s.bx, s.by), by = top + s.by * unit_y;
            int x0 = std::max(0, static_cast<int>(std::floor(std::min(ax, bx) - half - 2)));
            int x1 = std::min(mask.width() - 1,
                              static_cast<int>(std::ceil(std::max(ax, bx) + half + 2)));
            int y0 = std::max(0, static_cast<int>(std::floor(std::min(ay, by) - half - 2)));
            int y1 = std::min(mask.height() - 1,
                              static_cast<int>(std::ceil(std::max(ay, by) + half + 2)));
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    float d = DistanceToSegment(x + 0.5f, y + 0.5f, ax, ay, bx, by) - half;
                    mask.at(x, y) = std::max(mask.at(x, y), Coverage(d));
                }
        }
    }
}

}  // namespace pictures
