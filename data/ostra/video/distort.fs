// Video screen pass: shows the kept picture with a slow wave, a lens bulge
// and a colour split that both grow with the beat, and a soft vignette.
#version 110

uniform sampler2D picture;  // the kept picture, texture unit 0
uniform float time;         // milliseconds of demo time
uniform float beat;         // 0 .. 1

void main() {
    vec2 uv = gl_TexCoord[0].st;
    float t = time * 0.001;
    vec2 c = uv - 0.5;
    float r = length(c);
    // Bulge towards the viewer on the beat, strongest in the middle.
    uv = 0.5 + c * (1.0 - 0.08 * beat * (1.0 - 2.0 * r * r));
    // A slow swell across the whole picture.
    uv += 0.005 * vec2(sin(uv.y * 11.0 + t * 1.3), cos(uv.x * 9.0 - t * 1.1));
    // Red and blue drift apart from the centre.
    float split = 0.004 + 0.012 * beat;
    vec3 colour = vec3(texture2D(picture, uv + c * split).r,
                       texture2D(picture, uv).g,
                       texture2D(picture, uv - c * split).b);
    colour *= smoothstep(0.85, 0.30, r);
    // Faint scan lines.
    colour *= 0.94 + 0.06 * sin(gl_FragCoord.y * 3.14159);
    gl_FragColor = vec4(colour, 1.0);
}
