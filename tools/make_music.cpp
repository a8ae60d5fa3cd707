// Synthesises the show's music, "Kiln", and checks that its low end pulses.
//
// An original tune in A minor at 124 BPM, 112 bars (about 3 minutes 41):
//   bars   0-7    intro        pads and a soft arpeggio; the kick enters at bar 4
//   bars   8-23   build        offbeat bass, hats, clap, the arpeggio opening up
//   bars  24-39   drop         everything, with the lead melody
//   bars  40-47   breakdown    no drums: pads, a slow lead, a noise riser
//   bars  48-63   drop 2       the lead an octave up in its second half
//   bars  64-79   bridge       F G Em Am: a new answering line, the clap from bar 72
//   bars  80-87   breakdown 2  no drums: the arpeggio alone over the pads, a riser
//   bars  88-103  drop 3       the lead an octave up from bar 96
//   bars 104-111  outro        elements leave one by one, then a last chord rings
// The kick sits on every beat and everything else keeps away from the lowest
// frequencies between kicks (offbeat bass, high-passed pads, side-chain
// ducking), so the show's beat level, (sum of the first 16 spectrum
// magnitudes)^6 clamped at 1, jumps to 1 on each kick and stays low between.
//
// To remake the file, from the project root:
//   cmake --build build --target make_music
//   build/make_music data/music/kiln.ogg /tmp/kiln_beat.csv
// It renders the tune, writes a WAV next to the output, encodes it to Ogg
// Vorbis (quality 4) with the ffmpeg command-line tool, bit-exact (a fixed
// stream serial and no version strings, so every run writes the same bytes),
// deletes the WAV, then decodes the Ogg with the show's own decoder and
// analyser and writes the beat level every 10 ms to the CSV (time, sum of 16
// magnitudes, beat level), printing the typical values on and between beats
// per section.
#include "platform/audio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kRate = kMusicRate;
constexpr double kBpm = 124.0;
constexpr double kBeat = 60.0 / kBpm;
constexpr double kBar = 4.0 * kBeat;
constexpr double kStep = kBeat / 4.0;  // a sixteenth note
constexpr int kBars = 112;
constexpr int kOutroStart = 104;
constexpr double kTail = 4.0;  // the last chord rings out after the last bar
constexpr double kPi = 3.14159265358979323846;

double MidiHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// Deterministic noise, so the file is the same on every run.
struct Noise {
    uint32_t state = 0x2545f491u;
    float Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) / 2147483648.0f - 1.0f;
    }
};

// Zero-delay-feedback state-variable filter (low, band and high outputs).
struct Svf {
    double ic1 = 0.0, ic2 = 0.0;
    double low = 0.0, band = 0.0, high = 0.0;
    void Run(double in, double cutoff, double q) {
        cutoff = std::clamp(cutoff, 10.0, kRate * 0.45);
        const double g = std::tan(kPi * cutoff / kRate);
        const double k = 1.0 / q;
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double v3 = in - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        low = v2;
        band = v1;
        high = in - k * v1 - v2;
    }
};

// Band-limited sawtooth by polyBLEP.
double PolyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Saw {
    double phase = 0.0;
    double Next(double hz) {
        const double dt = hz / kRate;
        double v = 2.0 * phase - 1.0 - PolyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

struct Square {
    double phase = 0.0;
    double Next(double hz, double width = 0.5) {
        const double dt = hz / kRate;
        double v = phase < width ? 1.0 : -1.0;
        v += PolyBlep(phase, dt);
        double shifted = phase - width;
        if (shifted < 0.0) shifted += 1.0;
        v -= PolyBlep(shifted, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

// A stereo track being rendered.
struct Bus {
    std::vector<float> left, right;
    explicit Bus(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t size() const { return left.size(); }
    void Add(size_t i, double l, double r) {
        if (i >= left.size()) return;
        left[i] += static_cast<float>(l);
        right[i] += static_cast<float>(r);
    }
};

size_t Frame(double seconds) { return static_cast<size_t>(std::max(0.0, seconds) * kRate); }

// ---------------------------------------------------------------------------
// The song
// ---------------------------------------------------------------------------

// The chord of each bar: Am F C G, with Dm in place of F in the breakdown.
struct Chord {
    int root;    // bass note (MIDI)
    int pad[4];  // pad voicing, kept above middle C where possible
    int arp[5];  // arpeggio tones
};

const Chord kAm = {45, {60, 64, 69, 72}, {57, 60, 64, 69, 72}};
const Chord kF = {41, {60, 65, 69, 72}, {53, 57, 60, 65, 69}};
const Chord kC = {48, {60, 64, 67, 72}, {55, 60, 64, 67, 72}};
const Chord kG = {43, {59, 62, 67, 71}, {55, 59, 62, 67, 71}};
const Chord kDm = {38, {62, 65, 69, 74}, {57, 62, 65, 69, 74}};
const Chord kEm = {40, {59, 64, 67, 71}, {52, 55, 59, 64, 67}};

enum class Part {
    kIntro,
    kBuild,
    kDrop,
    kBreakdown,
    kDrop2,
    kBridge,
    kBreakdown2,
    kDrop3,
    kOutro,
    kEnd
};

Part PartOf(int bar) {
    if (bar < 8) return Part::kIntro;
    if (bar < 24) return Part::kBuild;
    if (bar < 40) return Part::kDrop;
    if (bar < 48) return Part::kBreakdown;
    if (bar < 64) return Part::kDrop2;
    if (bar < 80) return Part::kBridge;
    if (bar < 88) return Part::kBreakdown2;
    if (bar < kOutroStart) return Part::kDrop3;
    if (bar < kBars) return Part::kOutro;
    return Part::kEnd;
}

const Chord& ChordOf(int bar) {
    const Part part = PartOf(bar);
    if (part == Part::kBridge) {
        static const Chord* const kBridgeChords[4] = {&kF, &kG, &kEm, &kAm};
        return *kBridgeChords[bar % 4];
    }
    const bool breakdown = part == Part::kBreakdown || part == Part::kBreakdown2;
    switch (bar % 4) {
        case 0: return kAm;
        case 1: return breakdown ? kDm : kF;
        case 2: return kC;
        default: return kG;
    }
}

const char* PartName(Part part) {
    switch (part) {
        case Part::kIntro: return "intro";
        case Part::kBuild: return "build";
        case Part::kDrop: return "drop";
        case Part::kBreakdown: return "breakdown";
        case Part::kDrop2: return "drop 2";
        case Part::kBridge: return "bridge";
        case Part::kBreakdown2: return "breakdown 2";
        case Part::kDrop3: return "drop 3";
        case Part::kOutro: return "outro";
        default: return "tail";
    }
}

bool HasKick(int bar) {
    const Part p = PartOf(bar);
    if (p == Part::kIntro) return bar >= 4;
    if (p == Part::kBreakdown || p == Part::kBreakdown2 || p == Part::kEnd) return false;
    return true;
}
// The full-band sections: every drum and the bass.
bool IsDrop(Part p) { return p == Part::kDrop || p == Part::kDrop2 || p == Part::kDrop3; }
bool HasBass(int bar) {
    const Part p = PartOf(bar);
    return p == Part::kBuild || IsDrop(p) || p == Part::kBridge ||
           (p == Part::kOutro && bar < kOutroStart + 4);
}
bool HasHats(int bar) {
    const Part p = PartOf(bar);
    return (p == Part::kBuild && bar >= 12) || IsDrop(p) || p == Part::kBridge ||
           (p == Part::kOutro && bar < kOutroStart + 2);
}
bool HasClap(int bar) {
    const Part p = PartOf(bar);
    return (p == Part::kBuild && bar >= 16) || IsDrop(p) || (p == Part::kBridge && bar >= 72) ||
           (p == Part::kOutro && bar < kOutroStart + 4);
}

// A melody note: bar within the 4-bar phrase, start and length in sixteenths.
struct Note {
    int bar, step, length, pitch;
};

// The lead's main phrase.
const std::vector<Note> kPhraseA = {
    {0, 0, 4, 76},  {0, 4, 2, 72}, {0, 6, 2, 74}, {0, 8, 3, 76}, {0, 11, 2, 79},
    {0, 13, 3, 76}, {1, 0, 6, 81}, {1, 6, 2, 79}, {1, 8, 4, 77}, {1, 12, 2, 76},
    {1, 14, 2, 72}, {2, 0, 4, 76}, {2, 4, 4, 79}, {2, 8, 4, 84}, {2, 12, 2, 83},
    {2, 14, 2, 79}, {3, 0, 6, 74}, {3, 6, 2, 71}, {3, 8, 2, 74}, {3, 10, 6, 76},
};
// Its answer, ending up on the fifth instead of falling back.
const std::vector<Note> kPhraseB = {
    {0, 0, 4, 76}, {0, 4, 2, 72},  {0, 6, 2, 74}, {0, 8, 3, 76},  {0, 11, 2, 79}, {0, 13, 3, 81},
    {1, 0, 6, 84}, {1, 6, 2, 81},  {1, 8, 4, 77}, {1, 12, 4, 81}, {2, 0, 4, 79},  {2, 4, 4, 76},
    {2, 8, 4, 72}, {2, 12, 4, 76}, {3, 0, 4, 74}, {3, 4, 4, 79},  {3, 8, 4, 83},  {3, 12, 4, 81},
};
// The bridge's line over F G Em Am: a call in the first two bars, an answer
// rising to the octave in the last two.
const std::vector<Note> kPhraseC = {
    {0, 0, 6, 72}, {0, 6, 2, 69}, {0, 8, 8, 72}, {1, 0, 6, 74}, {1, 6, 2, 71},
    {1, 8, 8, 74}, {2, 0, 4, 76}, {2, 4, 4, 79}, {2, 8, 4, 83}, {2, 12, 4, 79},
    {3, 0, 4, 81}, {3, 4, 4, 84}, {3, 8, 8, 88},
};
// The breakdown's slow line, over Am Dm C G.
const std::vector<Note> kPhraseSlow = {
    {0, 0, 8, 76},  {0, 8, 8, 72}, {1, 0, 12, 77}, {1, 12, 4, 74},
    {2, 0, 16, 76}, {3, 0, 8, 74}, {3, 8, 8, 71},
};

// ---------------------------------------------------------------------------
// Instruments. Each renders one note or hit into a bus.
// ---------------------------------------------------------------------------

// A sine whose pitch falls from ~165 Hz to 50 Hz, driven into soft clipping,
// with a short noise click on top.
void Kick(Bus& bus, double start, double gain, Noise& noise) {
    const size_t first = Frame(start);
    const size_t length = Frame(kBeat * 0.95);
    double phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double t = i / kRate;
        const double hz = 50.0 + 115.0 * std::exp(-t / 0.03);
        phase += hz / kRate;
        const double attack = std::min(1.0, t / 0.0015);
        const double body_env =
            attack * std::exp(-t / 0.11) * std::min(1.0, (kBeat * 0.95 - t) / 0.02);
        double v = std::tanh(1.8 * std::sin(2.0 * kPi * phase)) * body_env;
        v += 0.25 * noise.Next() * std::exp(-t / 0.003);
        bus.Add(first + i, gain * v, gain * v);
    }
}

// Filtered sawtooth pluck an octave-and-a-bit above the kick.
void Bass(Bus& bus, double start, double length, int pitch, double gain, double brightness) {
    const size_t first = Frame(start);
    const size_t frames = Frame(length + 0.03);
    Saw a, b;
    b.phase = 0.37;
    Svf filter;
    const double hz = MidiHz(pitch);
    for (size_t i = 0; i < frames; ++i) {
        const double t = i / kRate;
        const double env = std::min(1.0, t / 0.004) * std::exp(-t / (length * 0.6)) *
                           std::min(1.0, std::max(0.0, (length + 0.03 - t) / 0.03));
        const double osc = 0.6 * a.Next(hz) + 0.4 * b.Next(hz * 1.004);
        filter.Run(osc, 180.0 + brightness * 1400.0 * std::exp(-t / 0.07), 1.4);
        const double v = gain * env * filter.low;
        bus.Add(first + i, v, v);
    }
}

// Noise through a high-pass filter: closed (short) or open (longer).
void Hat(Bus& bus, double start, double decay, double gain, double pan, Noise& noise) {
    const size_t first = Frame(start);
    const size_t frames = Frame(decay * 6.0);
    Svf filter;
    for (size_t i = 0; i < frames; ++i) {
        const double t = i / kRate;
        filter.Run(noise.Next(), 8000.0, 0.9);
        const double v = gain * std::exp(-t / decay) * filter.high;
        bus.Add(first + i, v * (1.0 - pan), v * (1.0 + pan));
    }
}

// Three quick noise bursts and a tail, band-passed round 1.3 kHz.
void Clap(Bus& bus, double start, double gain, Noise& noise) {
    const size_t first = Frame(start);
    const size_t frames = Frame(0.35);
    Svf filter;
    for (size_t i = 0; i < frames; ++i) {
        const double t = i / kRate;
        double env = std::exp(-t / 0.09);
        for (double burst : {0.0, 0.011, 0.022}) {
            if (t >= burst) env += 0.8 * std::exp(-(t - burst) / 0.006);
        }
        filter.Run(noise.Next(), 1300.0, 1.1);
        const double v = gain * env * filter.band;
        bus.Add(first + i, v * 0.9, v * 1.1);
    }
}

// Three detuned saws per note, spread left and right, low-passed and with a
// slow attack; the high-pass keeps the chord out of the kick's range.
void PadChord(Bus& bus, double start, double length, const int (&notes)[4], double gain,
              double cutoff) {
    const size_t first = Frame(start);
    const double release = 0.6;
    const size_t frames = Frame(length + release);
    for (int n = 0; n < 4; ++n) {
        Saw voices[3];
        for (int v = 0; v < 3; ++v) voices[v].phase = 0.13 * v + 0.29 * n;
        Svf low_l, low_r, high_l, high_r;
        const double hz = MidiHz(notes[n]);
        for (size_t i = 0; i < frames; ++i) {
            const double t = i / kRate;
            double env = std::min(1.0, t / 0.25);
            if (t > length) env *= std::exp(-(t - length) / (release / 4.0));
            const double centre = voices[0].Next(hz);
            const double up = voices[1].Next(hz * 1.0045);
            const double down = voices[2].Next(hz * 0.9957);
            const double l = 0.5 * centre + 0.8 * down + 0.2 * up;
            const double r = 0.5 * centre + 0.2 * down + 0.8 * up;
            const double sweep = cutoff * (1.0 + 0.25 * std::sin(2.0 * kPi * (start + t) / 7.7));
            low_l.Run(l, sweep, 0.8);
            low_r.Run(r, sweep, 0.8);
            high_l.Run(low_l.low, 330.0, 0.7);
            high_r.Run(low_r.low, 330.0, 0.7);
            bus.Add(first + i, gain * env * high_l.high, gain * env * high_r.high);
        }
    }
}

// A plucked square wave for the arpeggio.
void Pluck(Bus& bus, double start, int pitch, double gain, double cutoff, double pan) {
    const size_t first = Frame(start);
    const size_t frames = Frame(0.5);
    Square osc;
    Svf filter;
    const double hz = MidiHz(pitch);
    for (size_t i = 0; i < frames; ++i) {
        const double t = i / kRate;
        const double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.09);
        filter.Run(osc.Next(hz, 0.3), cutoff * (0.4 + 0.6 * std::exp(-t / 0.05)), 1.6);
        const double v = gain * env * filter.low;
        bus.Add(first + i, v * (1.0 - pan), v * (1.0 + pan));
    }
}

// The lead: saw and square an octave apart, delayed vibrato, gentle filter.
void Lead(Bus& bus, double start, double length, int pitch, double gain, double cutoff) {
    const size_t first = Frame(start);
    const double release = 0.12;
    const size_t frames = Frame(length + release);
    Saw saw;
    Square square;
    Svf filter;
    const double hz = MidiHz(pitch);
    for (size_t i = 0; i < frames; ++i) {
        const double t = i / kRate;
        double env = std::min(1.0, t / 0.012);
        if (t > length) env *= std::exp(-(t - length) / (release / 4.0));
        const double vibrato_depth = 0.004 * std::min(1.0, std::max(0.0, (t - 0.18) / 0.3));
        const double f = hz * (1.0 + vibrato_depth * std::sin(2.0 * kPi * 5.5 * t));
        const double osc = 0.7 * saw.Next(f) + 0.3 * square.Next(f * 0.5, 0.4);
        filter.Run(osc, cutoff * (0.7 + 0.3 * std::exp(-t / 0.15)), 1.2);
        const double v = gain * env * filter.low;
        bus.Add(first + i, v, v);
    }
}

// Noise swept upward through a band-pass, growing louder.
void Riser(Bus& bus, double start, double length, double gain, Noise& noise) {
    const size_t first = Frame(start);
    const size_t frames = Frame(length);
    Svf filter;
    for (size_t i = 0; i < frames; ++i) {
        const double x = static_cast<double>(i) / frames;
        filter.Run(noise.Next(), 400.0 * std::pow(20.0, x), 2.5);
        const double v = gain * x * x * filter.band;
        const double wobble = 0.3 * std::sin(2.0 * kPi * x * 6.0);
        bus.Add(first + i, v * (1.0 - wobble), v * (1.0 + wobble));
    }
}

// ---------------------------------------------------------------------------
// Effects on whole buses
// ---------------------------------------------------------------------------

// Ping-pong delay with a darkening feedback path.
void PingPong(const Bus& in, Bus& out, double delay, double feedback, double mix) {
    const size_t d = Frame(delay);
    std::vector<double> line_l(d, 0.0), line_r(d, 0.0);
    double damp_l = 0.0, damp_r = 0.0;
    size_t pos = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const double echo_l = line_l[pos], echo_r = line_r[pos];
        damp_l += 0.35 * (echo_l - damp_l);
        damp_r += 0.35 * (echo_r - damp_r);
        // The mono input enters the left line; each line feeds the other.
        line_l[pos] = 0.5 * (in.left[i] + in.right[i]) + feedback * damp_r;
        line_r[pos] = feedback * damp_l;
        out.Add(i, mix * echo_l, mix * echo_r);
        if (++pos == d) pos = 0;
    }
}

// A small Schroeder-style reverb: eight damped combs and four all-passes per side.
void Reverb(const Bus& in, Bus& out, double mix) {
    const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const int allpasses[4] = {556, 441, 341, 225};
    for (int side = 0; side < 2; ++side) {
        const std::vector<float>& src = side == 0 ? in.left : in.right;
        std::vector<float>& dst = side == 0 ? out.left : out.right;
        const int spread = side == 0 ? 0 : 23;
        std::vector<double> wet(src.size(), 0.0);
        for (int c : combs) {
            std::vector<double> line(static_cast<size_t>(c + spread), 0.0);
            double store = 0.0;
            size_t pos = 0;
            for (size_t i = 0; i < src.size(); ++i) {
                const double y = line[pos];
                store = y * 0.7 + store * 0.3;
                line[pos] = src[i] * 0.015 + store * 0.86;
                wet[i] += y;
                if (++pos == line.size()) pos = 0;
            }
        }
        for (int a : allpasses) {
            std::vector<double> line(static_cast<size_t>(a + spread), 0.0);
            size_t pos = 0;
            for (size_t i = 0; i < src.size(); ++i) {
                const double buffered = line[pos];
                const double y = buffered - wet[i];
                line[pos] = wet[i] + buffered * 0.5;
                wet[i] = y;
                if (++pos == line.size()) pos = 0;
            }
        }
        for (size_t i = 0; i < src.size(); ++i) dst[i] += static_cast<float>(mix * wet[i]);
    }
}

// Gain of the side-chained instruments: ducked right after each kick.
double Duck(double t) {
    const int bar = static_cast<int>(t / kBar);
    if (bar >= kBars || !HasKick(bar)) return 1.0;
    const double since = std::fmod(t, kBeat);
    return 1.0 - 0.6 * std::exp(-since / 0.09);
}

// ---------------------------------------------------------------------------
// Arrangement
// ---------------------------------------------------------------------------

std::vector<float> Render() {
    const size_t frames = Frame(kBars * kBar + kTail);
    Bus drums(frames), bass(frames), pads(frames), arp(frames), lead(frames), fx(frames);
    Noise noise;

    for (int bar = 0; bar < kBars; ++bar) {
        const double t0 = bar * kBar;
        const Part part = PartOf(bar);
        const Chord& chord = ChordOf(bar);
        const double progress = (bar % 16) / 16.0;

        if (HasKick(bar)) {
            const double gain = part == Part::kIntro ? 0.75 : 0.95;
            for (int beat = 0; beat < 4; ++beat) Kick(drums, t0 + beat * kBeat, gain, noise);
        }
        if (HasBass(bar)) {
            const double brightness = part == Part::kBuild ? 0.3 + 0.7 * progress : 1.0;
            for (int beat = 0; beat < 4; ++beat) {
                // Offbeat eighths; the last one of each bar jumps an octave.
                const int pitch = chord.root + (beat == 3 ? 12 : 0);
                Bass(bass, t0 + beat * kBeat + 2 * kStep, 2 * kStep * 0.9, pitch, 0.3, brightness);
            }
        }
        if (HasHats(bar)) {
            for (int step = 0; step < 16; ++step) {
                if (step % 4 == 2) {
                    Hat(drums, t0 + step * kStep, 0.05, 0.16, 0.1, noise);  // open, offbeat
                } else if (part != Part::kBuild || bar >= 16) {
                    const double accent = step % 2 == 0 ? 0.07 : 0.045;
                    Hat(drums, t0 + step * kStep, 0.012, accent, -0.3, noise);
                }
            }
        }
        if (HasClap(bar)) {
            Clap(drums, t0 + kBeat, 0.5, noise);
            Clap(drums, t0 + 3 * kBeat, 0.5, noise);
        }
        if ((part == Part::kBreakdown && bar == 47) || (part == Part::kBreakdown2 && bar == 87)) {
            // A roll of claps into the second drop.
            for (int step = 8; step < 16; ++step) {
                Clap(drums, t0 + step * kStep, 0.12 + 0.04 * (step - 8), noise);
            }
        }

        // Pads everywhere, a bar per chord.
        double pad_gain = 0.055;
        double pad_cutoff = 2200.0;
        if (part == Part::kIntro) {
            pad_gain *= std::min(1.0, 0.3 + bar / 4.0);
            pad_cutoff = 900.0 + 250.0 * bar;
        } else if (part == Part::kBreakdown || part == Part::kBreakdown2) {
            pad_gain = 0.08;
            pad_cutoff = 3000.0;
        } else if (part == Part::kBridge) {
            pad_cutoff = 2800.0;
        } else if (part == Part::kOutro) {
            pad_cutoff = 2200.0 - 150.0 * (bar - kOutroStart);
        }
        const double pad_length = bar == kBars - 1 ? kBar + kTail - 1.0 : kBar;
        PadChord(pads, t0, pad_length, chord.pad, pad_gain, pad_cutoff);

        // Arpeggio: sixteenths up and down the chord.
        const bool arp_on =
            part != Part::kBreakdown && !(part == Part::kOutro && bar >= kOutroStart + 4);
        if (arp_on) {
            static const int pattern[8] = {0, 2, 4, 3, 1, 3, 2, 4};
            // The bridge climbs straight up the chord instead.
            static const int climb[8] = {0, 1, 2, 3, 4, 3, 2, 1};
            const int* steps = part == Part::kBridge ? climb : pattern;
            double cutoff = 4000.0;
            if (part == Part::kIntro) cutoff = 700.0 + 120.0 * bar;
            if (part == Part::kBuild) cutoff = 1200.0 + 2800.0 * progress;
            // Alone in the second breakdown, the arpeggio opens slowly.
            if (part == Part::kBreakdown2) cutoff = 900.0 + 400.0 * (bar - 80);
            double gain = part == Part::kIntro ? 0.05 : 0.06;
            if (part == Part::kBreakdown2) gain = 0.07;
            for (int step = 0; step < 16; ++step) {
                const int pitch = chord.arp[steps[step % 8]] + 12;
                const double pan = step % 2 == 0 ? -0.35 : 0.35;
                Pluck(arp, t0 + step * kStep, pitch, gain, cutoff, pan);
            }
        }

        // Lead melody.
        const std::vector<Note>* phrase = nullptr;
        int transpose = 0;
        double lead_gain = 0.12;
        if (part == Part::kDrop) phrase = (bar / 4) % 2 == 0 ? &kPhraseA : &kPhraseB;
        if (part == Part::kDrop2) {
            phrase = (bar / 4) % 2 == 0 ? &kPhraseA : &kPhraseB;
            if (bar >= 56) transpose = 12, lead_gain = 0.09;
        }
        if (part == Part::kBridge) phrase = &kPhraseC, lead_gain = 0.1;
        if (part == Part::kDrop3) {
            phrase = (bar / 4) % 2 == 0 ? &kPhraseA : &kPhraseB;
            if (bar >= 96) transpose = 12, lead_gain = 0.09;
        }
        if (part == Part::kBreakdown) phrase = &kPhraseSlow, lead_gain = 0.1;
        if (phrase != nullptr) {
            for (const Note& note : *phrase) {
                if (note.bar != bar % 4) continue;
                Lead(lead, t0 + note.step * kStep, note.length * kStep * 0.92,
                     note.pitch + transpose, lead_gain, transpose != 0 ? 3800.0 : 2800.0);
            }
        }
    }
    Riser(fx, 22 * kBar, 2 * kBar, 0.18, noise);
    Riser(fx, 46 * kBar, 2 * kBar, 0.25, noise);
    Riser(fx, 78 * kBar, 2 * kBar, 0.15, noise);
    Riser(fx, 86 * kBar, 2 * kBar, 0.28, noise);

    // Side-chain the sustained parts to the kick.
    for (Bus* bus : {&pads, &arp, &bass}) {
        for (size_t i = 0; i < frames; ++i) {
            const float d = static_cast<float>(Duck(i / kRate));
            bus->left[i] *= d;
            bus->right[i] *= d;
        }
    }

    Bus mix(frames);
    Bus sends(frames);
    for (size_t i = 0; i < frames; ++i) {
        sends.left[i] = pads.left[i] + 0.6f * lead.left[i] + 0.5f * arp.left[i] + fx.left[i] +
                        0.3f * drums.left[i];
        sends.right[i] = pads.right[i] + 0.6f * lead.right[i] + 0.5f * arp.right[i] + fx.right[i] +
                         0.3f * drums.right[i];
    }
    Bus echoes(frames);
    PingPong(lead, echoes, 3 * kStep, 0.4, 0.35);
    PingPong(arp, echoes, 3 * kStep, 0.3, 0.3);
    // Keep the reverb out of the low end: it would smear the kick.
    Svf hp_l, hp_r;
    for (size_t i = 0; i < frames; ++i) {
        hp_l.Run(sends.left[i], 250.0, 0.7);
        hp_r.Run(sends.right[i], 250.0, 0.7);
        sends.left[i] = static_cast<float>(hp_l.high);
        sends.right[i] = static_cast<float>(hp_r.high);
    }
    Reverb(sends, mix, 0.9);

    std::vector<float> out(frames * 2);
    float peak = 0.0f;
    for (size_t i = 0; i < frames; ++i) {
        const double l = drums.left[i] + bass.left[i] + pads.left[i] + arp.left[i] + lead.left[i] +
                         fx.left[i] + echoes.left[i] + mix.left[i];
        const double r = drums.right[i] + bass.right[i] + pads.right[i] + arp.right[i] +
                         lead.right[i] + fx.right[i] + echoes.right[i] + mix.right[i];
        // Gentle saturation on the master instead of a hard clip.
        out[2 * i] = static_cast<float>(std::tanh(l));
        out[2 * i + 1] = static_cast<float>(std::tanh(r));
        peak = std::max({peak, std::fabs(out[2 * i]), std::fabs(out[2 * i + 1])});
    }
    // Fade the very end to silence so the loop restarts cleanly.
    const size_t fade = Frame(1.0);
    for (size_t i = 0; i < fade; ++i) {
        const float g = static_cast<float>(i) / fade;
        out[2 * (frames - 1 - i)] *= g;
        out[2 * (frames - 1 - i) + 1] *= g;
    }
    const float scale = peak > 0.0f ? 0.95f / peak : 1.0f;
    for (float& s : out) s *= scale;
    return out;
}

bool WriteWav(const std::string& path, const std::vector<float>& samples) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::vector<uint8_t> bytes;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](uint16_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    };
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    for (char c : std::string("RIFF")) bytes.push_back(static_cast<uint8_t>(c));
    put32(36 + data);
    for (char c : std::string("WAVEfmt ")) bytes.push_back(static_cast<uint8_t>(c));
    put32(16);
    put16(1);
    put16(2);
    put32(kMusicRate);
    put32(kMusicRate * 4);
    put16(4);
    put16(16);
    for (char c : std::string("data")) bytes.push_back(static_cast<uint8_t>(c));
    put32(data);
    for (float s : samples) {
        const long v = std::lrint(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        put16(static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// The show's beat level for one spectrum.
double BeatSum(const float* spectrum) {
    float sum = 0.0f;
    for (int k = 0; k < 16; ++k) sum += spectrum[k];
    return sum;
}

double BeatLevel(double sum) { return std::min(1.0, std::pow(sum, 6.0)); }

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Decodes the written file and reports the beat level, every 10 ms to the CSV
// and per section on stdout: the peak just after each beat and the value
// halfway between beats.
bool ReportBeat(const std::string& music_path, const std::string& csv_path) {
    DecodedMusic music;
    std::string error;
    if (!DecodeMusicFile(music_path, music, error)) {
        std::fprintf(stderr, "cannot decode %s: %s\n", music_path.c_str(), error.c_str());
        return false;
    }
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    FILE* csv = csv_path.empty() ? nullptr : std::fopen(csv_path.c_str(), "w");
    if (csv != nullptr) std::fprintf(csv, "seconds,sum16,beat\n");
    for (double t = 0.0; t < music.seconds(); t += 0.01) {
        analyzer.Analyze(music, std::llround(t * kRate), spectrum);
        const double sum = BeatSum(spectrum);
        if (csv != nullptr) std::fprintf(csv, "%.2f,%.4f,%.5f\n", t, sum, BeatLevel(sum));
    }
    if (csv != nullptr) std::fclose(csv);

    std::printf("%.1f s decoded; beat level per section (median over beats):\n", music.seconds());
    std::printf("  %-10s %8s %8s %10s %10s %8s\n", "section", "sum@hit", "beat@hit", "sum@mid",
                "beat@mid", "hits>=1");
    for (Part part : {Part::kIntro, Part::kBuild, Part::kDrop, Part::kBreakdown, Part::kDrop2,
                      Part::kBridge, Part::kBreakdown2, Part::kDrop3, Part::kOutro}) {
        std::vector<double> hit_sums, mid_sums;
        int full = 0;
        for (int bar = 0; bar < kBars; ++bar) {
            if (PartOf(bar) != part) continue;
            for (int beat = 0; beat < 4; ++beat) {
                const double t = bar * kBar + beat * kBeat;
                double best = 0.0;
                for (double dt = 0.0; dt <= 0.06; dt += 0.005) {
                    analyzer.Analyze(music, std::llround((t + dt) * kRate), spectrum);
                    best = std::max(best, BeatSum(spectrum));
                }
                hit_sums.push_back(best);
                if (best >= 1.0) ++full;
                analyzer.Analyze(music, std::llround((t + kBeat / 2) * kRate), spectrum);
                mid_sums.push_back(BeatSum(spectrum));
            }
        }
        const double hit = Median(hit_sums), mid = Median(mid_sums);
        std::printf("  %-10s %8.3f %8.3f %10.3f %10.4f %4d/%zu\n", PartName(part), hit,
                    BeatLevel(hit), mid, BeatLevel(mid), full, hit_sums.size());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string output = argc > 1 ? argv[1] : "data/music/kiln.ogg";
    const std::string csv = argc > 2 ? argv[2] : "";
    const std::string wav = output + ".wav";

    const std::vector<float> samples = Render();
    std::printf("rendered %.1f s\n", samples.size() / 2.0 / kRate);
    if (!WriteWav(wav, samples)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    const std::string command = "ffmpeg -nostdin -v error -y -i '" + wav +
                                "' -c:a libvorbis -q:a 4 -metadata title=Kiln -fflags +bitexact '" +
                                output + "'";
    const int rc = std::system(command.c_str());
    std::remove(wav.c_str());
    if (rc != 0) {
        std::fprintf(stderr, "ffmpeg failed to encode %s\n", output.c_str());
        return 1;
    }
    std::printf("wrote %s\n", output.c_str());
    return ReportBeat(output, csv) ? 0 : 1;
}
