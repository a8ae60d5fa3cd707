// ShaderShow layer: the music's spectrum as a skyline at night. Bars rise
// from a horizon, low notes at the left and high ones at the right, lit by
// their own loudness, and lie mirrored and rippling in dark water below.
// Drawn behind the harmonograph of the breakdown. GLSL 1.10, fragment stage
// only; it uses no picture.
//
// spectrum  texture unit 1: 1024 FFT magnitudes of the music heard now,
//           bin i (about i x 21.5 Hz) at x = (i + 0.5) / 1024
// time      seconds of demo time
// beat      the beat level, 0..1
#version 110

uniform sampler2D spectrum;
uniform float time;
uniform float beat;

const float kBars = 56.0;
const float kHorizon = 0.70;  // from the top of the window

// Loudness at x (0..1 across the window): bins 2 to 512 on a log scale,
// -66 dB to -6 dB mapped to 0..1.
float Level(float x)
{
    float bin = exp2(1.0 + x * 8.0);
    float m = texture2D(spectrum, vec2((bin + 0.5) / 1024.0, 0.5)).r;
    float db = 6.0206 * log2(max(m, 0.000001));
    return clamp((db + 66.0) / 60.0, 0.0, 1.0);
}

vec3 BarColour(float x, float level)
{
    vec3 low = vec3(0.95, 0.35, 0.20);
    vec3 high = vec3(0.30, 0.55, 1.00);
    return mix(low, high, x) * (0.35 + 0.9 * level);
}

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    // Below the horizon the water mirrors the bars, with a slow ripple.
    bool water = uv.y > kHorizon;
    float ripple = water ? 0.003 * sin(uv.y * 120.0 - time * 3.0) : 0.0;
    float x = uv.x + ripple;
    float up = water ? (uv.y - kHorizon) * 1.6 : kHorizon - uv.y;

    float cell = floor(x * kBars);
    float centre = (cell + 0.5) / kBars;
    float level = Level(centre);
    float across = fract(x * kBars);
    float solid = step(0.14, across) * step(across, 0.86);
    float height = 0.03 + 0.55 * level;
    float lit = solid * step(up, height);

    // A night sky going violet towards the horizon, stars that breathe.
    float to_horizon = clamp(uv.y / kHorizon, 0.0, 1.0);
    vec3 sky = mix(vec3(0.01, 0.01, 0.05), vec3(0.13, 0.04, 0.20), to_horizon * to_horizon);
    vec2 star_cell = floor(uv * vec2(160.0, 90.0));
    float star = fract(sin(dot(star_cell, vec2(12.9898, 78.233))) * 43758.5453);
    sky += step(0.995, star) * (0.4 + 0.3 * sin(time * 2.0 + star * 40.0)) * (1.0 - to_horizon);

    vec3 bar = BarColour(centre, level) * (0.55 + 0.45 * up / max(height, 0.001));
    // The bar tops glow brighter on the beat.
    float top = smoothstep(0.03, 0.0, abs(up - height)) * solid;
    vec3 colour = mix(sky, bar, lit) + top * (0.25 + 0.6 * beat) * BarColour(centre, 1.0);
    if (water) colour *= 0.35 * (1.0 - (uv.y - kHorizon) / (1.0 - kHorizon) * 0.6);
    gl_FragColor = vec4(colour, 1.0);
}
