// Video screen pass: shows the kept picture with a slow swell, a lens bulge
// and a red fringe that both grow with the beat, faint scan lines and a
// soft vignette. Two texture reads per pixel keep it cheap on software GL.
#version 110

uniform sampler2D picture;  // the kept picture, texture unit 0
uniform float time;         // milliseconds of demo time
uniform float beat;         // 0 .. 1

void main() {
    vec2 uv = gl_TexCoord[0].st;
    float t = time * 0.001;
    vec2 c = uv - 0.5;
    float r2 = dot(c, c);
    // Bulge towards the viewer on the beat, strongest in the middle.
    uv = 0.5 + c * (1.0 - 0.08 * beat * (1.0 - 2.0 * r2));
    // A slow swell across the whole picture.
    uv += 0.005 * sin(vec2(uv.y * 11.0 + t * 1.3, uv.x * 9.0 - t * 1.1 + 1.5708));
    // Red drifts out from the centre.
    vec3 colour = texture2D(picture, uv).rgb;
    colour.r = texture2D(picture, uv + c * (0.006 + 0.016 * beat)).r;
    // Soft vignette and faint scan lines every other row.
    colour *= clamp(1.45 - 2.2 * r2 * 2.0, 0.0, 1.0);
    colour *= 0.94 + 0.06 * step(0.5, fract(gl_FragCoord.y * 0.5));
    gl_FragColor = vec4(colour, 1.0);
}
