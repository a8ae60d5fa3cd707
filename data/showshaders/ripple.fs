// ShaderShow layer: the picture seen through water. Rings spread from the
// middle of the window; every beat throws a stronger wave and splits the
// colours along it. GLSL 1.10, fragment stage only.
//
// picture  texture unit 0 (its texture coordinate runs 0..1 from the top left)
// time     seconds of demo time
// beat     the beat level, 0..1
#version 110

uniform sampler2D picture;
uniform float time;
uniform float beat;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec2 centre = vec2(0.5, 0.55);
    vec2 away = uv - centre;
    float r = length(away);
    vec2 dir = away / max(r, 0.0001);

    // Two trains of rings, fading with the distance from the centre.
    float rings = sin(r * 48.0 - time * 5.0) * 0.6 + sin(r * 21.0 - time * 2.7) * 0.4;
    float strength = (0.006 + 0.018 * beat) / (1.0 + 6.0 * r);
    vec2 offset = dir * rings * strength;

    // The beat splits red and blue apart along the wave.
    vec2 split = dir * beat * 0.006;
    vec2 lo = vec2(0.002);
    vec2 hi = vec2(0.998);
    float red = texture2D(picture, clamp(uv + offset + split, lo, hi)).r;
    float green = texture2D(picture, clamp(uv + offset, lo, hi)).g;
    float blue = texture2D(picture, clamp(uv + offset - split, lo, hi)).b;

    // Light catches the crests.
    float crest = max(rings, 0.0) * (0.05 + 0.15 * beat) / (1.0 + 4.0 * r);
    gl_FragColor = vec4(vec3(red, green, blue) + crest, 1.0);
}
