// The files of the starter show (new_show.h): the script, the layer's
// shader, three pictures drawn here and encoded with FreeImage, and a short
// tune synthesised here into a WAV file.
#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

#include "app/new_show.h"

namespace {

const char kScript[] = R"(# A show of your own, made by --new-show. Play it while you work on it:
#
#   kilnworks-demo --show THIS-FOLDER --no-dialog --windowed --watch --tweak
#
# --watch shows every file you save at once (this script, the shader, the
# pictures); --tweak puts a panel over the show to try the emblem's modes.
# Lines starting with # are comments. Every value has a line of its own.
#
# The music: any MP3, Ogg Vorbis, Opus, FLAC or WAV file. Drop yours into
# data/ and name it here; the show starts again with the music when it ends.
data/tune.wav
# The start offset N: the music starts N seconds in (0: at its start).
0
# The number of entries, only for the loading screen.
3
#
# An entry is a keyword, a start and an end time (milliseconds), then the
# lines its keyword takes. It is drawn while start < time < end, over the
# entries before it.
#
# The picture through a fragment shader, all 16 seconds of the tune: edit
# data/layer.fs and save, or name another picture on the last line.
ShaderShow
0
16000
data/layer.fs
data/picture.jpg
#
# The emblem laid over it by its alpha, pulsing with the beat. Other modes:
# UP, DOWN, LEFT, RIGHT, UPCENTER, BEATUP, BEATBACK, RANDOM, STATICFADEOUT,
# STATICFADEIN (try them in the tweak panel first).
AlphaBlendImage
2000
16000
data/emblem.png
BEATCENTER
#
# A white flash fading out over its window, at the start of every round.
FlashWhite
0
800
#
# More keywords (Plasma2D, Tunnel, Plugin, ...) are listed in the README;
# most of them draw pictures of the bundled show that this folder does not
# have, so start with ShaderShow, AlphaBlendImage and FlashWhite.
)";

const char kLayerShader[] =
    R"(// The starter show's layer: the picture turning slowly about the middle,
// a ring of light running outwards with every bar, brighter on the beat.
// Save this file while the show plays with --watch and see the change at
// once; a typing error is shown over the show until it compiles again.
// GLSL 1.10, fragment stage only.
#version 110

uniform sampler2D picture;  // texture unit 0: the entry's picture
uniform float time;         // seconds of demo time
uniform float beat;         // the beat level of the music, 0 (quiet) to 1

void main()
{
    // gl_TexCoord[0].st runs from (0, 0) at the top left of the window to
    // (1, 1) at the bottom right.
    vec2 away = gl_TexCoord[0].st - 0.5;
    float r = length(away);

    // Turn the picture, more towards the middle.
    float angle = 0.5 * sin(time * 0.4) * (1.0 - r);
    vec2 uv = vec2(cos(angle) * away.x - sin(angle) * away.y,
                   sin(angle) * away.x + cos(angle) * away.y) + 0.5;
    vec3 colour = texture2D(picture, uv).rgb;

    // A ring leaving the middle every two seconds (one bar of the tune).
    float ring = smoothstep(0.04, 0.0, abs(r - fract(time * 0.5) * 0.8));
    colour += vec3(1.0, 0.8, 0.5) * ring * (0.2 + 0.6 * beat);

    gl_FragColor = vec4(colour * (0.8 + 0.3 * beat), 1.0);
}
)";

// ---- pictures ----

struct Rgba {
    float r, g, b, a;
};

float Smooth(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Encodes a picture of width x height whose pixel at (u, v) (0..1 from the
// top left) is `paint(u, v)`, as JPEG (opaque) or PNG (with alpha).
std::string EncodePicture(int width, int height, bool png,
                          const std::function<Rgba(float, float)>& paint) {
    FIBITMAP* dib = FreeImage_Allocate(width, height, png ? 32 : 24);
    if (!dib) return {};
    const int step = png ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        // FreeImage keeps the bottom row first.
        BYTE* row = FreeImage_GetScanLine(dib, height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const Rgba c = paint((x + 0.5f) / width, (y + 0.5f) / height);
            BYTE* p = row + x * step;
            auto byte = [](float v) {
                return static_cast<BYTE>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
            };
            p[FI_RGBA_RED] = byte(c.r);
            p[FI_RGBA_GREEN] = byte(c.g);
            p[FI_RGBA_BLUE] = byte(c.b);
            if (png) p[FI_RGBA_ALPHA] = byte(c.a);
        }
    }
    std::string bytes;
    FIMEMORY* memory = FreeImage_OpenMemory();
    if (memory && FreeImage_SaveToMemory(png ? FIF_PNG : FIF_JPEG, dib, memory,
                                         png ? PNG_DEFAULT : JPEG_QUALITYSUPERB)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        if (FreeImage_AcquireMemory(memory, &data, &size))
            bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    if (memory) FreeImage_CloseMemory(memory);
    FreeImage_Unload(dib);
    return bytes;
}

// Coloured glass: round panes on an evening gradient, each pane its own hue.
Rgba Glass(float u, float v) {
    const float top[3] = {0.16f, 0.08f, 0.36f}, bottom[3] = {0.98f, 0.55f, 0.24f};
    const float cells = 6.0f;
    const float cu = u * cells, cv = v * cells;
    const float fu = cu - std::floor(cu) - 0.5f, fv = cv - std::floor(cv) - 0.5f;
    const float d = std::sqrt(fu * fu + fv * fv);
    const float hue = std::fmod(std::floor(cu) * 0.13f + std::floor(cv) * 0.29f, 1.0f) * 6.2832f;
    const float pane = Smooth(0.42f, 0.36f, d);
    const float lead = 0.35f + 0.65f * Smooth(0.48f, 0.42f, d);
    float c[3];
    for (int i = 0; i < 3; ++i) {
        const float sky = top[i] + (bottom[i] - top[i]) * v;
        const float glass = 0.55f + 0.45f * std::cos(hue - 2.094f * i);
        c[i] = (sky * (1.0f - 0.6f * pane) + glass * 0.7f * pane * (1.1f - d)) * lead;
    }
    return {c[0], c[1], c[2], 1.0f};
}

// A warm ring with a soft glow and a dot in the middle, on transparency.
Rgba Emblem(float u, float v) {
    const float du = u - 0.5f, dv = v - 0.5f;
    const float r = std::sqrt(du * du + dv * dv);
    const float ring = Smooth(0.035f, 0.0f, std::fabs(r - 0.22f));
    const float glow = 0.45f * std::exp(-std::pow((r - 0.22f) / 0.07f, 2.0f));
    const float dot = Smooth(0.05f, 0.035f, r);
    const float a = std::min(1.0f, ring + glow + dot);
    return {1.0f, 0.86f, 0.62f, a};
}

// The loading picture: the emblem on a dark ground.
Rgba Loader(float u, float v) {
    const Rgba e = Emblem(u, v);
    const float ground = 0.06f + 0.05f * v;
    return {ground + (e.r - ground) * e.a, ground + (e.g - ground) * e.a,
            ground + (e.b - ground) * e.a, 1.0f};
}

// ---- the tune ----

constexpr int kRate = 22050;
constexpr double kBeat = 0.5;  // 120 BPM
constexpr int kBars = 8;
constexpr double kTwoPi = 6.283185307179586;

double Note(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Sample `i` of the tune: a kick on every beat, a bass on the off-beats, a
// pad and an arpeggio over A minor, F, C and G (a chord every bar), and
// noise hats on the off-beats.
double TuneSample(int i, uint32_t& noise) {
    static const int kChords[4][3] = {{57, 60, 64}, {53, 57, 60}, {60, 64, 67}, {55, 59, 62}};
    const double t = static_cast<double>(i) / kRate;
    const double bar_length = 4 * kBeat;
    const int bar = static_cast<int>(t / bar_length);
    const int* chord = kChords[bar % 4];
    const double in_bar = t - bar * bar_length;
    const double in_beat = std::fmod(t, kBeat);
    const double eighth = kBeat / 2;
    const double in_eighth = std::fmod(t, eighth);
    const int eighth_index = static_cast<int>(t / eighth);
    const bool off_beat = eighth_index % 2 == 1;

    // Kick: a sine falling from 125 Hz to 45 Hz.
    double s =
        0.9 * std::exp(-in_beat * 7.0) *
        std::sin(kTwoPi * (45.0 * in_beat + 80.0 / 30.0 * (1.0 - std::exp(-in_beat * 30.0))));
    // Bass: the chord's root two octaves down, on the off-beats.
    if (off_beat) {
        const double p = kTwoPi * Note(chord[0] - 24) * in_eighth;
        s += 0.22 * std::exp(-in_eighth * 6.0) *
             (std::sin(p) + 0.5 * std::sin(2 * p) + 0.33 * std::sin(3 * p));
    }
    // Pad: the chord, fading in and out with the bar.
    const double pad = std::min(1.0, in_bar / 0.3) * std::min(1.0, (bar_length - in_bar) / 0.3);
    for (int k = 0; k < 3; ++k) {
        const double p = kTwoPi * Note(chord[k]) * t;
        s += 0.06 * pad * (std::sin(p) + 0.3 * std::sin(2 * p));
    }
    // Arpeggio: the chord's notes an octave up, one per eighth.
    static const int kPattern[8] = {0, 1, 2, 1, 0, 2, 1, 2};
    const double arp = Note(chord[kPattern[eighth_index % 8]] + 12);
    s += 0.1 * std::exp(-in_eighth * 12.0) * std::sin(kTwoPi * arp * in_eighth);
    // Hats: bursts of noise (a fixed generator, so the file is always the same).
    noise = noise * 1664525u + 1013904223u;
    const double white = static_cast<double>(noise >> 8) / (1u << 24) * 2.0 - 1.0;
    if (off_beat) s += 0.06 * std::exp(-in_eighth * 60.0) * white;
    return std::tanh(s);
}

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

// The tune as a 16-bit mono WAV file.
std::string Tune() {
    const int frames = static_cast<int>(kBars * 4 * kBeat * kRate);
    const uint32_t data_bytes = static_cast<uint32_t>(frames) * 2;
    std::string wav = "RIFF";
    PutLittleEndian(wav, 36 + data_bytes, 4);
    wav += "WAVEfmt ";
    PutLittleEndian(wav, 16, 4);         // format chunk size
    PutLittleEndian(wav, 1, 2);          // PCM
    PutLittleEndian(wav, 1, 2);          // mono
    PutLittleEndian(wav, kRate, 4);      // frames per second
    PutLittleEndian(wav, kRate * 2, 4);  // bytes per second
    PutLittleEndian(wav, 2, 2);          // bytes per frame
    PutLittleEndian(wav, 16, 2);         // bits per sample
    wav += "data";
    PutLittleEndian(wav, data_bytes, 4);
    wav.reserve(wav.size() + data_bytes);
    uint32_t noise = 1;
    for (int i = 0; i < frames; ++i) {
        const long sample = std::lround(TuneSample(i, noise) * 0.85 * 32767.0);
        PutLittleEndian(wav, static_cast<uint32_t>(static_cast<int16_t>(sample)), 2);
    }
    return wav;
}

}  // namespace

std::vector<StarterFile> StarterShowFiles() {
    return {
        {"data/demo.txt", kScript},
        {"data/layer.fs", kLayerShader},
        {"data/picture.jpg", EncodePicture(512, 512, false, Glass)},
        {"data/emblem.png", EncodePicture(512, 512, true, Emblem)},
        {"data/overlay/loader.jpg", EncodePicture(256, 256, false, Loader)},
        {"data/tune.wav", Tune()},
    };
}
