// ShaderShow layer: a six-fold kaleidoscope over the picture. The mirror
// wedges turn slowly, the picture drifts beneath them, and every beat pulls
// the pattern inward and brightens it. GLSL 1.10, fragment stage only.
//
// picture  texture unit 0 (a picture that repeats without a seam looks best)
// time     seconds of demo time
// beat     the beat level, 0..1
#version 110

uniform sampler2D picture;
uniform float time;
uniform float beat;

const float kWedge = 3.14159265 / 3.0;

void main()
{
    // Centred coordinates, wider than tall as the window is.
    vec2 p = (gl_TexCoord[0].st - 0.5) * vec2(1.333, 1.0);
    float r = length(p);
    float a = atan(p.y, p.x) + time * 0.15;

    // Fold the angle into one wedge, mirrored every other wedge.
    a = mod(a, 2.0 * kWedge);
    a = abs(a - kWedge);

    float zoom = 1.6 - 0.4 * beat + 0.2 * sin(time * 0.4);
    vec2 q = vec2(cos(a), sin(a)) * r * zoom;
    vec2 drift = vec2(time * 0.031, time * 0.017);
    vec3 colour = texture2D(picture, q + drift).rgb;

    // Soft dark rim and a glow that breathes with the beat.
    float vignette = smoothstep(0.85, 0.25, r);
    colour *= vignette * (0.85 + 0.5 * beat);
    colour += vec3(1.0, 0.9, 0.7) * beat * 0.25 * smoothstep(0.2, 0.0, r);
    gl_FragColor = vec4(colour, 1.0);
}
