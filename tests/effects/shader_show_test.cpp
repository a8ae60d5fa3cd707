// ShaderShow: the uniforms a shader receives, the picture on unit 0 over the
// whole window, the spectrum on unit 1, the fixed-function layer of an empty
// shader path, bad script lines (missing file, folder, empty file, syntax
// error, binary file, missing picture) with their exact messages, and the GL
// state it leaves.
#include "effects/shader/shader_show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/failure.h"
#include "render/spectrum_texture.h"
#include "support/effect_fixtures.h"
#include "support/gl_context.h"
#include "support/script_loading.h"

using Effekter::ShaderShow;

namespace {

// Shows the uniforms as colours: red = fraction of time, green = beat, blue =
// the picture's blue.
const char kShowUniforms[] =
    "uniform sampler2D picture;\n"
    "uniform float time;\n"
    "uniform float beat;\n"
    "void main() {\n"
    "    float blue = texture2D(picture, gl_TexCoord[0].st).b;\n"
    "    gl_FragColor = vec4(fract(time), beat, blue, 1.0);\n"
    "}\n";
const char kBroken[] = "uniform float time;\nvoid main() { gl_FragColor = vec4(time) }\n";

float UniformValue(GLuint program, const char* name) {
    float value = -1;
    glGetUniformfv(program, glGetUniformLocation(program, name), &value);
    return value;
}

void ExpectEverywhere(int r, int g, int b, int tolerance) {
    for (const auto& [x, y] : {std::pair{0, 0}, {639, 479}, {0, 479}, {639, 0}, {320, 240}}) {
        const Rgba p = PixelAt(x, y);
        EXPECT_NEAR(r, p.r, tolerance) << x << "," << y;
        EXPECT_NEAR(g, p.g, tolerance) << x << "," << y;
        EXPECT_NEAR(b, p.b, tolerance) << x << "," << y;
    }
}

// A script of one ShaderShow entry with the two paths, then a Stroboskop
// entry that must still be read as an entry.
std::string OneShowScript(const std::string& shader, const std::string& image) {
    return "music.ogg\n0\n2\nShaderShow\n0\n1000\n" + shader + "\n" + image +
           "\nOverlays\n0\n1000\n";
}

// The failure raised while loading the script, without the entry's line it
// ends with, and what went to standard error.
std::pair<std::string, std::string> LoadFailure(const std::string& script) {
    testing::internal::CaptureStderr();
    LoadedScript loaded = LoadScriptText(script);
    const std::string where = " (ShaderShow entry at line 4)";
    std::string& failure = loaded.failure;
    if (failure.size() >= where.size() &&
        failure.compare(failure.size() - where.size(), where.size(), where) == 0)
        failure.resize(failure.size() - where.size());
    else
        ADD_FAILURE() << "no line in: " << failure;
    return {failure, testing::internal::GetCapturedStderr()};
}

// "Compiler error <log>... while compiling:\n <source>\n" with a log.
void ExpectCompilerMessage(const std::string& message, const std::string& source) {
    EXPECT_EQ(0u, message.rfind("Compiler error ", 0)) << message;
    const std::string tail = "... while compiling:\n " + source + "\n";
    ASSERT_GT(message.size(), std::string("Compiler error ").size() + tail.size()) << message;
    EXPECT_EQ(tail, message.substr(message.size() - tail.size()));
    EXPECT_NE(std::string::npos, message.find("error", std::string("Compiler error ").size()));
}

}  // namespace

TEST(ShaderShowTest, SendsTimeInSecondsAndTheBeat) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string shader = dir.Write("show.fs", kShowUniforms);
    const std::string image = WriteFlatPicture(dir, "blue.png", 0, 0, 255);
    ShaderShow show(0, 100000, shader.c_str(), image.c_str());
    const GLuint program = show.ProgramName();
    ASSERT_NE(0u, program);

    show.Draw(1500, 0.75f);
    EXPECT_EQ(1.5f, UniformValue(program, "time"));
    EXPECT_EQ(0.75f, UniformValue(program, "beat"));
    MaybeSavePicture("shader_show_uniforms");
    // The whole window, the picture on unit 0.
    ExpectEverywhere(128, 191, 255, 2);
    ExpectFrameLoopState("ShaderShow");

    show.Draw(4000123, 0.0f);
    EXPECT_EQ(static_cast<float>(4000.123), UniformValue(program, "time"));
    EXPECT_EQ(0.0f, UniformValue(program, "beat"));
    show.Draw(0, 1.0f);
    EXPECT_EQ(0.0f, UniformValue(program, "time"));
    EXPECT_EQ(1.0f, UniformValue(program, "beat"));
}

TEST(ShaderShowTest, DrawsWithTheColourAndBlendingItFinds) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string image = WriteFlatPicture(dir, "grey.png", 100, 100, 100);
    const std::string shader =
        dir.Write("copy.fs",
                  "uniform sampler2D picture;\n"
                  "void main() { gl_FragColor = texture2D(picture, gl_TexCoord[0].st); }\n");
    testing::internal::CaptureStderr();
    ShaderShow show(0, 1000, shader.c_str(), image.c_str());
    // The shader uses neither uniform: both are reported, neither is fatal.
    EXPECT_EQ(
        "Unable to locate shader handle for: time\n"
        "Unable to locate shader handle for: beat\n",
        testing::internal::GetCapturedStderr());

    // Additive blending left on by whoever drew before: the layer adds.
    glClearColor(50 / 255.0f, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    show.Draw(500, 0.5f);
    ExpectEverywhere(150, 100, 100, 2);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));  // not its business
    glDisable(GL_BLEND);
    ExpectFrameLoopState("ShaderShow");
}

TEST(ShaderShowTest, EmptyShaderPathDrawsThePicturePlainly) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string image = WriteFlatPicture(dir, "picture.png", 200, 100, 50);
    testing::internal::CaptureStderr();
    ShaderShow show(0, 1000, "", image.c_str());
    EXPECT_EQ(
        "Unable to locate shader handle for: time\n"
        "Unable to locate shader handle for: beat\n",
        testing::internal::GetCapturedStderr());
    EXPECT_EQ(0u, show.ProgramName());
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());

    // Fixed-function texturing, modulated by the current colour.
    glColor4f(1, 0.5f, 1, 1);
    show.Draw(700, 0.3f);
    MaybeSavePicture("shader_show_plain");
    ExpectEverywhere(200, 50, 50, 2);
    ExpectFrameLoopState("ShaderShow");
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(0.5f, colour[1]);  // no colour of its own
}

TEST(ShaderShowTest, MissingPictureIsNamedAndSamplesBlack) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string shader = dir.Write("show.fs", kShowUniforms);
    const std::string missing = dir.path() + "/no/such/picture.jpg";
    const std::string not_a_picture = dir.Write("notes.jpg", "this is text, not a JPEG\n");

    testing::internal::CaptureStderr();
    ShaderShow show(0, 100000, shader.c_str(), missing.c_str());
    ShaderShow garbled(0, 100000, shader.c_str(), not_a_picture.c_str());
    ShaderShow no_picture(0, 100000, shader.c_str(), "");  // asked for none: nothing to say
    EXPECT_EQ("Picture \"" + missing +
                  "\" cannot be loaded (No such file or directory); its texture stays empty\n"
                  "Picture \"" +
                  not_a_picture +
                  "\" cannot be loaded (not a picture format that can be read); its texture "
                  "stays empty\n",
              testing::internal::GetCapturedStderr());

    // The shader still runs; the picture reads as black.
    show.Draw(1250, 0.5f);
    ExpectEverywhere(64, 128, 0, 2);
    garbled.Draw(1250, 0.5f);
    ExpectEverywhere(64, 128, 0, 2);
    ExpectFrameLoopState("ShaderShow");
}

TEST(ShaderShowTest, ScriptLinesGiveTheShaderAndThePicture) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string shader = dir.Write("show.fs", kShowUniforms);
    const std::string image = WriteFlatPicture(dir, "blue.png", 0, 0, 255);
    LoadedScript loaded = LoadScriptText(OneShowScript(shader, image));
    ASSERT_EQ("", loaded.failure);
    ASSERT_EQ(2u, loaded.effects.size());  // exactly two further lines were read
    loaded.effects[0]->Draw(2250, 1.0f);
    ExpectEverywhere(64, 255, 255, 2);

    // Both lines empty: a plain layer without a picture, in the current colour.
    loaded = LoadScriptText(OneShowScript("", ""));
    ASSERT_EQ("", loaded.failure);
    ASSERT_EQ(2u, loaded.effects.size());
    glColor4f(0.2f, 0.4f, 0.6f, 1);
    loaded.effects[0]->Draw(10, 0);
    ExpectEverywhere(51, 102, 153, 2);
    ExpectFrameLoopState("ShaderShow");
}

TEST(ShaderShowTest, BadShaderLinesStopTheShowWithTheirMessage) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string image = WriteFlatPicture(dir, "blue.png", 0, 0, 255);

    // A file that is not there, and a folder.
    const std::string missing = dir.path() + "/shaders/missing.fs";
    EXPECT_EQ("Error opening: " + missing, LoadFailure(OneShowScript(missing, image)).first);
    dir.Write("shaders/ripple.fs", kShowUniforms);
    const std::string folder = dir.path() + "/shaders";
    EXPECT_EQ("Error opening: " + folder, LoadFailure(OneShowScript(folder, image)).first);

    // An empty file, a syntax error: the compiler's message, also written out.
    const std::string empty = dir.Write("empty.fs", "");
    auto [raised, written] = LoadFailure(OneShowScript(empty, image));
    ExpectCompilerMessage(raised, "");
    EXPECT_NE(std::string::npos, written.find(raised));
    const std::string broken = dir.Write("broken.fs", kBroken);
    std::tie(raised, written) = LoadFailure(OneShowScript(broken, image));
    ExpectCompilerMessage(raised, kBroken);
    EXPECT_NE(std::string::npos, written.find(raised));

    // A binary file (here the start of a PNG): the compiler sees the bytes
    // up to the first NUL.
    const std::string png_start("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x08", 20);
    const std::string binary = dir.Write("picture.fs", png_start);
    raised = LoadFailure(OneShowScript(binary, image)).first;
    ExpectCompilerMessage(raised, "\x89PNG\r\n\x1a\n");
    // Bytes without a NUL reach the compiler whole.
    std::string noise;
    for (int i = 1; i < 256; ++i) noise += static_cast<char>(i);
    const std::string noisy = dir.Write("noise.fs", noise);
    raised = LoadFailure(OneShowScript(noisy, image)).first;
    ExpectCompilerMessage(raised, noise);
    ResetGlState();
}

TEST(ShaderShowTest, BundledLayersUseTimeAndBeatAndDrawPictures) {
    REQUIRE_GL();
    const std::pair<const char*, const char*> layers[] = {
        {"data/showshaders/ripple.fs", "data/show/lagoon.jpg"},
        {"data/showshaders/kaleido.fs", "data/show/glass.jpg"},
        {"data/showshaders/pulse.fs", "data/show/lagoon.jpg"},
    };
    for (const auto& [shader, image] : layers) {
        SCOPED_TRACE(shader);
        testing::internal::CaptureStderr();
        ShaderShow show(0, 100000, shader, image);
        EXPECT_EQ("", testing::internal::GetCapturedStderr());  // both uniforms used, picture found
        ResetGlState();
        show.Draw(12345, 0.8f);
        MaybeSavePicture(std::string("shader_show_") +
                         std::string(shader).substr(std::string("data/showshaders/").size()));
        ExpectFrameLoopState(shader);
        // A picture over the whole window, not a flat colour, and moving.
        const std::vector<uint8_t> a = ReadPixels(0, 0, 640, 480);
        uint8_t lowest = 255, highest = 0;
        long covered = 0;
        for (size_t i = 0; i < a.size(); i += 4) {
            lowest = std::min(lowest, a[i + 1]);
            highest = std::max(highest, a[i + 1]);
            if (a[i] + a[i + 1] + a[i + 2] > 0) ++covered;
        }
        EXPECT_GT(highest - lowest, 80);
        EXPECT_GT(covered, static_cast<long>(a.size() / 4 * 9 / 10));
        ResetGlState();
        show.Draw(13000, 0.1f);
        const std::vector<uint8_t> b = ReadPixels(0, 0, 640, 480);
        long differ = 0;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::abs(a[i] - b[i]) > 8) ++differ;
        EXPECT_GT(differ, static_cast<long>(a.size() / 20));
    }
}

// The frame's spectrum, as the analyser gives it for a track, on unit 1 of a
// shader that declares it, texel for texel; a frame later, the next one.
TEST(ShaderShowTest, SpectrumOnUnitOneIsTheAnalysersMagnitudes) {
    REQUIRE_GL();
    // A full-scale sine centred on bin 64 and a quarter-scale one on bin 700.
    DecodedMusic track;
    track.samples.resize(2 * 8192);
    for (size_t i = 0; i < track.samples.size() / 2; ++i) {
        const double phase = 2 * M_PI * static_cast<double>(i) / kFftSize;
        const float v = static_cast<float>(std::sin(64 * phase) + 0.25 * std::sin(700 * phase));
        track.samples[2 * i] = track.samples[2 * i + 1] = v;
    }
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    analyzer.Analyze(track, 4096, spectrum);
    ASSERT_NEAR(1.0f, spectrum[64], 0.02f);
    ASSERT_NEAR(0.25f, spectrum[700], 0.02f);

    ScratchDir dir;
    const std::string shader =
        dir.Write("bins.fs",
                  "uniform sampler2D spectrum;\n"
                  "void main() {\n"
                  "    float m = texture2D(spectrum, vec2(gl_TexCoord[0].s, 0.5)).r;\n"
                  "    gl_FragColor = vec4(m, m, m, 1.0);\n"
                  "}\n");
    testing::internal::CaptureStderr();
    ShaderShow show(0, 100000, shader.c_str(), "");
    testing::internal::GetCapturedStderr();  // neither time nor beat: said, and ignored
    // The brightest column of the drawn row, and the brightness at column x.
    auto row = [] { return ReadPixels(0, 240, 640, 1); };
    auto brightest = [](const std::vector<uint8_t>& r, int from, int to) {
        int best = from;
        for (int x = from; x < to; ++x)
            if (r[4 * x] > r[4 * best]) best = x;
        return best;
    };

    SetFrameSpectrum(spectrum);
    ResetGlState();
    show.Draw(1000, 0.0f);
    ExpectFrameLoopState("ShaderShow with the spectrum");
    glActiveTexture(GL_TEXTURE1);
    EXPECT_EQ(0, [] {
        GLint b = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &b);
        return b;
    }());
    glActiveTexture(GL_TEXTURE0);
    std::vector<float> texels(kSpectrumBins, -1.0f);
    glBindTexture(GL_TEXTURE_2D, SpectrumTextureName());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int i = 0; i < kSpectrumBins; ++i) {
        if (SpectrumTextureIsFloat())
            ASSERT_EQ(spectrum[i], texels[static_cast<size_t>(i)]) << "bin " << i;
        else
            ASSERT_NEAR(std::min(spectrum[i], 1.0f), texels[static_cast<size_t>(i)], 0.5 / 255)
                << "bin " << i;
    }
    // Bin b is drawn at column (b + 0.5) x 640 / 1024.
    std::vector<uint8_t> r = row();
    EXPECT_NEAR(40, brightest(r, 0, 640), 1);
    EXPECT_GT(r[4 * 40], 200);
    EXPECT_NEAR(438, brightest(r, 300, 640), 1);
    EXPECT_NEAR(64, r[4 * brightest(r, 300, 640)], 20);
    EXPECT_LT(r[4 * 200], 4);

    // The next frame's spectrum replaces it.
    std::fill(spectrum, spectrum + kSpectrumBins, 0.0f);
    spectrum[512] = 0.5f;
    SetFrameSpectrum(spectrum);
    ResetGlState();
    show.Draw(1017, 0.0f);
    r = row();
    EXPECT_NEAR(320, brightest(r, 0, 640), 1);
    EXPECT_LT(r[4 * 40], 4);

    // The bundled layer: every uniform used, no picture needed, and the
    // skyline follows the spectrum.
    testing::internal::CaptureStderr();
    ShaderShow skyline(0, 100000, "data/showshaders/spectrum.fs", "");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    std::vector<std::vector<uint8_t>> pictures;
    for (float level : {0.0f, 0.3f}) {
        std::fill(spectrum, spectrum + kSpectrumBins, level);
        SetFrameSpectrum(spectrum);
        ResetGlState();
        skyline.Draw(80000, 0.2f);
        MaybeSavePicture(level > 0 ? "shader_show_spectrum_loud" : "shader_show_spectrum_quiet");
        ExpectFrameLoopState("spectrum.fs");
        pictures.push_back(ReadPixels(0, 0, 640, 480));
    }
    long brighter = 0;
    for (size_t i = 0; i < pictures[0].size(); i += 4)
        if (pictures[1][i] > pictures[0][i] + 40) ++brighter;
    EXPECT_GT(brighter, 640 * 480 / 10);
    ResetGlState();
}
