// PolarCoords screen pass: the box field folded into polar coordinates. The
// screen's angle picks a place across the field (six mirrored sectors, so no
// seam shows) and its distance from the centre a place up the field, on a
// gentle spiral; a warm glow fills the middle and the rim darkens.
//
// The picture lies in the lower-left corner of a texture of picture_size
// texels (1024 x 1024 when it is not set), at least as large as the window:
// the off-screen pass drew it with the window's viewport, so window pixel
// (x, y) of that pass is texel (x, y). The quad stretches the whole texture
// over the window with texture coordinates 0..1, so the window size is one
// over the change of the texture coordinate per pixel. Every sample stays
// inside the texels that hold the picture.
#version 110

uniform sampler2D picture;  // texture unit 0
uniform float time;         // seconds; the effect leaves it at 0 (no extra turn)
uniform vec2 resolution;    // window size in pixels; the effect leaves it at 0
uniform vec2 picture_size;  // the texture's size in texels

const float kSide = 1024.0;
const float kPi = 3.14159265;

// Picture texel of a point in view units (half the window height is 1, the
// view's centre is 0), kept half a texel inside the region that holds it.
vec2 Texel(vec2 view, vec2 window, vec2 region, vec2 side) {
    vec2 texel = 0.5 * window + view * (0.5 * window.y);
    return clamp(texel, vec2(0.5), region - 0.5) / side;
}

void main() {
    vec2 st = gl_TexCoord[0].st;
    vec2 per_pixel = abs(vec2(dFdx(st.s), dFdy(st.t)));
    vec2 window = resolution.x > 0.0 ? resolution : floor(1.0 / per_pixel + 0.5);
    vec2 side = picture_size.x > 0.0 ? picture_size : vec2(kSide);
    vec2 region = min(window, side);

    // This pixel in view units, y up.
    vec2 screen = (gl_FragCoord.xy - 0.5 * window) / (0.5 * window.y);
    float rho = length(screen);
    float theta = atan(screen.y, screen.x) + time * 0.2 + rho * 0.35;

    // The field wrapped round the centre: the angle runs across it (mirrored
    // at the top, so no seam shows), the distance up it, from its foot in
    // the middle to its top at the rim. The field spans about 0.6 view
    // units each way from the centre; its ragged edges are left out.
    float across = abs(mod(theta / kPi + 1.0, 2.0) - 1.0);
    float up = 1.0 - exp(-rho * 1.4);
    vec2 view = vec2(across * 2.0 - 1.0, up * 2.0 - 1.0) * vec2(0.5, 0.56);

    vec3 colour = texture2D(picture, Texel(view, window, region, side)).rgb;
    // A dimmer echo a little further up the field gives the rings depth.
    vec3 echo = texture2D(picture, Texel(view + vec2(0.0, 0.06), window, region, side)).rgb;
    colour = max(colour, echo * vec3(0.35, 0.25, 0.5));

    // Warm in the middle, cooler towards the rim.
    colour *= mix(vec3(1.05, 0.95, 0.85), vec3(0.7, 0.85, 1.2), smoothstep(0.3, 1.5, rho));
    float glow = exp(-rho * rho * 9.0);
    colour = mix(colour, vec3(1.0, 0.6, 0.25), glow * 0.8);
    colour *= 1.0 - 0.4 * smoothstep(1.0, 1.8, rho);
    gl_FragColor = vec4(colour, 1.0);
}
