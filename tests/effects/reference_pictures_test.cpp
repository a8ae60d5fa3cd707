// Reference pictures: every scene of tests/reference_pictures/scenes.txt
// (script entries drawn at one demo time and beat level) is drawn in a
// 160 x 120 window and compared with tests/reference_pictures/<scene>.png.
// A scene that differs writes <scene>.actual.png and <scene>.diff.png (the
// differing pixels red over the dimmed reference) into
// build/reference_pictures/ and names them. With DEMO_UPDATE_PICTURES=1 the
// pictures are written as the new references instead
// (scripts/update_reference_pictures.sh).
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/frame_clock.h"
#include "app/offline/capture.h"
#include "effects/3d/chaos_zoomer.h"
#include "factory/factory.h"
#include "platform/failure.h"
#include "platform/random.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"
#include "support/test_paths.h"
#include "timeline/script.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;
// Mesa's software rasteriser gives the same bytes run after run; another
// Mesa or LLVM version may round texture filtering and blending a few
// levels differently and move polygon edges by a pixel. A pixel counts as
// different when a channel is off by more than kChannelTolerance (which
// includes the 3 levels the references lose by keeping 6 bits a channel); a
// scene fails when more than kPixelTolerance pixels differ.
constexpr int kChannelTolerance = 16;
constexpr int kPixelTolerance = kWidth * kHeight / 500;  // 0.2 %

// One scene. Header line: "= name time beat [from=MS] [pass=N] [occluder]
// [ends]", then the script entries. from=MS draws the frames of a 40 fps
// capture from MS up to the scene's time first (their beat is KickBeat), for
// effects whose picture depends on earlier frames; pass=N sets ChaosZoomer's
// layer pass; occluder puts a grey surface nearer than everything into the
// left half of the window (colour and depth) before the entries draw; ends:
// the entries end the show ("End of show") in that frame.
struct Scene {
    std::string name, entries;
    uint32_t time = 0;
    float beat = 0;
    uint32_t from = 0;
    int pass = Effekter::ChaosZoomer::kTwist;
    bool occluder = false, ends = false;
    std::string problem;  // what is wrong with the header line
};

void PrintTo(const Scene& scene, std::ostream* out) { *out << scene.name; }

const char kNameCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";

std::string PicturesDir() { return SourceDir() + "/tests/reference_pictures"; }

std::vector<Scene> ReadScenes() {
    std::ifstream in(PicturesDir() + "/scenes.txt");
    std::vector<Scene> scenes;
    std::set<std::string> names;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("= ", 0) == 0) {
            std::istringstream header(line.substr(2));
            Scene s;
            if (!(header >> s.name >> s.time >> s.beat)) s.problem = "cannot read: " + line;
            for (std::string option; header >> option;) {
                if (option.rfind("from=", 0) == 0) {
                    s.from = static_cast<uint32_t>(std::strtoul(option.c_str() + 5, nullptr, 10));
                } else if (option.rfind("pass=", 0) == 0) {
                    s.pass = std::atoi(option.c_str() + 5);
                } else if (option == "occluder" || option == "ends") {
                    (option == "ends" ? s.ends : s.occluder) = true;
                } else {
                    s.problem = "unknown option " + option + " in: " + line;
                }
            }
            // gtest takes scene names as test names: letters, digits and
            // '_', each name once.
            if (s.name.empty() || s.name.find_first_not_of(kNameCharacters) != std::string::npos ||
                !names.insert(s.name).second) {
                s.problem = "a scene name is letters, digits and '_', and new: " + line;
                s.name = "scene_" + std::to_string(scenes.size() + 1);
            }
            scenes.push_back(s);
        } else if (!scenes.empty()) {
            scenes.back().entries += line + "\n";
        }
    }
    for (Scene& s : scenes)  // the blank lines between scenes
        while (s.entries.size() > 1 && s.entries.compare(s.entries.size() - 2, 2, "\n\n") == 0)
            s.entries.pop_back();
    return scenes;
}

// The beat of the frames before a scene: a kick every 484 ms (124 BPM)
// falling away over 242 ms.
float KickBeat(uint32_t t) {
    const float fall = 1.0f - static_cast<float>(t % 484) / 242.0f;
    return fall > 0 ? fall * fall : 0.0f;
}

struct NoProgress : ScriptProgress {
    void Begin(int) override {}
    void Step() override {}
};

void DrawOccluder() {
    CEnabler depth(GL_DEPTH_TEST);
    Ortho2DScope view;
    MatrixScope matrix;
    glTranslatef(-0.5f, 0, -0.2f);
    glColor4f(0.5f, 0.5f, 0.5f, 1);
    Quad(0.5f, 1).Draw(1, 1);
    glColor4f(1, 1, 1, 1);
}

// The window as RGB rows, bottom row first (as GL and FreeImage keep them).
std::vector<uint8_t> ReadWindow() {
    const std::vector<uint8_t> rgba = ReadPixels(0, 0, kWidth, kHeight);
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i + 3]);
    return rgb;
}

// Writes RGB rows as a PNG: grey when every pixel is grey, indexed when
// there are at most 256 colours, else 24-bit.
void WritePng(const std::string& path, const std::vector<uint8_t>& rgb) {
    std::map<uint32_t, int> colours;
    bool grey = true;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        grey &= rgb[i] == rgb[i + 1] && rgb[i] == rgb[i + 2];
        if (colours.size() <= 256) colours.emplace(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2], 0);
    }
    const bool indexed = grey || colours.size() <= 256;
    FIBITMAP* dib = FreeImage_Allocate(kWidth, kHeight, indexed ? 8 : 24);
    RGBQUAD* palette = FreeImage_GetPalette(dib);
    for (int i = 0; grey && i < 256; ++i) palette[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    int index = 0;
    for (auto& [colour, slot] : colours) {
        if (grey || !indexed) break;
        palette[index] = {BYTE(colour), BYTE(colour >> 8), BYTE(colour >> 16), 0};
        slot = index++;
    }
    for (int y = 0; y < kHeight; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &rgb[(y * kWidth + x) * 3];
            if (indexed) {
                line[x] = grey ? p[0] : BYTE(colours.at(p[0] << 16 | p[1] << 8 | p[2]));
            } else {
                line[3 * x + FI_RGBA_RED] = p[0];
                line[3 * x + FI_RGBA_GREEN] = p[1];
                line[3 * x + FI_RGBA_BLUE] = p[2];
            }
        }
    }
    EXPECT_TRUE(FreeImage_Save(FIF_PNG, dib, path.c_str(), PNG_Z_BEST_COMPRESSION)) << path;
    FreeImage_Unload(dib);
}

// RGB rows of a PNG of the window's size, bottom row first; empty when it
// cannot be read.
std::vector<uint8_t> ReadPng(const std::string& path) {
    std::vector<uint8_t> rgb;
    FIBITMAP* file = FreeImage_Load(FIF_PNG, path.c_str(), 0);
    if (!file) return rgb;
    FIBITMAP* dib = FreeImage_ConvertTo24Bits(file);
    FreeImage_Unload(file);
    if (FreeImage_GetWidth(dib) == kWidth && FreeImage_GetHeight(dib) == kHeight) {
        for (int y = 0; y < kHeight; ++y) {
            const BYTE* line = FreeImage_GetScanLine(dib, y);
            for (int x = 0; x < kWidth; ++x) {
                rgb.push_back(line[3 * x + FI_RGBA_RED]);
                rgb.push_back(line[3 * x + FI_RGBA_GREEN]);
                rgb.push_back(line[3 * x + FI_RGBA_BLUE]);
            }
        }
    }
    FreeImage_Unload(dib);
    return rgb;
}

class ReferencePicture : public testing::TestWithParam<Scene> {};

TEST_P(ReferencePicture, MatchesTheReference) {
    if (!EnsureGlContext(kWidth, kHeight)) GTEST_SKIP() << "no GL context here";
    ASSERT_EQ(kWidth, WindowWidth()) << "the window was opened at another size";
    const Scene& scene = GetParam();
    ASSERT_EQ("", scene.problem) << "in tests/reference_pictures/scenes.txt";

    const std::string script = "data/music/kiln.ogg\n0\n1\n" + scene.entries;
    FILE* stream = fmemopen(const_cast<char*>(script.data()), script.size(), "r");
    EffectList effects;
    std::string music, failure;
    uint32_t offset = 0;
    NoProgress progress;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    try {
        ReadDemoScript(stream, effects, music, offset, FindEffectMaker, progress);
        SeedRandom(1);
        Effekter::ChaosZoomer::SetPassMode(scene.pass);
        const CaptureRange history{scene.from, scene.time, 40};
        for (uint64_t k = 0; scene.from && CaptureFrameTime(history, k) < scene.time; ++k) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            const uint32_t t = CaptureFrameTime(history, k);
            DrawActiveEffects(effects, t, KickBeat(t));
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (scene.occluder) DrawOccluder();
        DrawActiveEffects(effects, scene.time, scene.beat);
    } catch (const DemoFailure& f) {
        failure = f.text();
    }
    fclose(stream);
    std::vector<uint8_t> actual = ReadWindow();
    DestroyEffects(effects);
    glPopAttrib();
    ResetGlState();
    EXPECT_EQ(scene.ends ? "End of show" : "", failure);

    const std::string reference = PicturesDir() + "/" + scene.name + ".png";
    if (std::getenv("DEMO_UPDATE_PICTURES")) {
        for (uint8_t& v : actual) v &= 0xFC;  // 6 bits a channel: a third smaller
        return WritePng(reference, actual);
    }
    const std::vector<uint8_t> expected = ReadPng(reference);
    ASSERT_EQ(actual.size(), expected.size())
        << reference << " is missing or not " << kWidth << " x " << kHeight
        << "; scripts/update_reference_pictures.sh writes it";
    std::vector<uint8_t> diff(actual.size());
    int differing = 0;
    for (size_t i = 0; i < actual.size(); i += 3) {
        int worst = 0;
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(actual[i + c] - expected[i + c]));
        const bool off = worst > kChannelTolerance;
        differing += off;
        const uint8_t dim =
            static_cast<uint8_t>((expected[i] + expected[i + 1] + expected[i + 2]) / 9);
        diff[i] = off ? 255 : dim;
        diff[i + 1] = diff[i + 2] = off ? 0 : dim;
    }
    if (differing > kPixelTolerance) {
        const std::string out = BinaryDir() + "/reference_pictures/" + scene.name;
        std::filesystem::create_directories(BinaryDir() + "/reference_pictures");
        WritePng(out + ".actual.png", actual);
        WritePng(out + ".diff.png", diff);
        ADD_FAILURE() << differing << " pixels differ from " << reference << " by more than "
                      << kChannelTolerance << " (at most " << kPixelTolerance << " may); see "
                      << out << ".actual.png and " << out << ".diff.png";
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, ReferencePicture, testing::ValuesIn(ReadScenes()),
                         [](const testing::TestParamInfo<Scene>& info) { return info.param.name; });

// Every keyword of the effect table has a scene.
TEST(ReferencePictures, CoverEveryKeyword) {
    std::string all;
    for (const Scene& s : ReadScenes()) all += "\n" + s.entries;
    ASSERT_FALSE(all.empty()) << PicturesDir() << "/scenes.txt has no scene";
    for (const std::string& keyword : EffectKeywords())
        EXPECT_NE(std::string::npos, all.find("\n" + keyword + "\n")) << keyword;
}

}  // namespace
