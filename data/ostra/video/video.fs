// Video layer: colours one clip frame before it is blended into the trail.
// The effect blends the result as src * src + dst * (1 - src), so bright
// parts of the frame replace the trail and dark parts let it show through.
#version 110

uniform sampler2D frame;  // the clip frame, texture unit 0
uniform float time;       // seconds of demo time
uniform float beat;       // 0 .. 1
uniform int idx;          // look, steps 0 .. 3 every 20 seconds

float Luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }

float LumaAt(vec2 uv) { return Luma(texture2D(frame, uv).rgb); }

void main() {
    vec2 uv = gl_TexCoord[0].st;
    // The beat shakes the rows a little.
    uv.x += 0.004 * beat * sin(uv.y * 40.0 + time * 6.0);
    vec3 c = texture2D(frame, uv).rgb;
    float y = Luma(c);
    vec3 colour;
    if (idx == 0) {
        // Natural, a bit more saturated and contrasted.
        colour = smoothstep(0.04, 0.96, mix(vec3(y), c, 1.25));
    } else if (idx == 1) {
        // Duotone from deep blue to warm amber.
        colour = mix(vec3(0.04, 0.08, 0.30), vec3(1.00, 0.72, 0.38), smoothstep(0.08, 0.92, y));
    } else if (idx == 2) {
        // Glowing outlines over a dimmed frame.
        vec2 px = vec2(1.5 / 512.0);
        float gx = LumaAt(uv + vec2(px.x, 0.0)) - LumaAt(uv - vec2(px.x, 0.0));
        float gy = LumaAt(uv + vec2(0.0, px.y)) - LumaAt(uv - vec2(0.0, px.y));
        float edge = clamp(length(vec2(gx, gy)) * 4.0, 0.0, 1.0);
        colour = c * 0.25 + vec3(0.35, 0.90, 1.00) * edge;
    } else {
        // Posterised, with the colour channels turning over time.
        vec3 steps = floor(c * 4.0 + 0.5) / 4.0;
        float k = 0.5 + 0.5 * sin(time * 0.7);
        colour = mix(steps, steps.gbr, k);
    }
    colour *= 0.85 + 0.30 * beat;
    gl_FragColor = vec4(clamp(colour, 0.0, 1.0), 1.0);
}
