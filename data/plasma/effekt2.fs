// Plasma over water. GLSL 1.10, fragment stage only: the fixed-function
// vertex stage hands over the quad's texture coordinate (0..1).
//
// time      seconds of demo time
// dx0, dy0  four spatial frequencies per axis (0..10)
// dx1, dy1  four phases / speeds (0..1)
// water     the picture on texture unit 0
uniform float time;
uniform vec4 dx0;
uniform vec4 dy0;
uniform vec4 dx1;
uniform vec4 dy1;
uniform sampler2D water;

void main()
{
    vec2 p = gl_TexCoord[0].st * 2.0 - 1.0;

    // Four travelling waves, each with its own direction and speed.
    vec4 phase = dx0 * p.x + dy0 * p.y + (dx1 + dy1) * time * 2.0 + dx1 * 6.2831;
    vec4 waves = sin(phase);

    // A radial wave whose centre wanders around the screen.
    vec2 centre = vec2(sin(time * (0.3 + dx1.x)), cos(time * (0.4 + dy1.y))) * 0.6;
    float ring = sin(length(p - centre) * (4.0 + dy0.z) - time * 3.0);

    float v = (waves.x + waves.y + waves.z + waves.w + ring) * 0.2;

    // Molten palette: deep violet through red and orange to white-hot.
    vec3 colour = 0.5 + 0.5 * cos(6.2831 * (vec3(0.0, 0.18, 0.38) + v * 0.9 + time * 0.05));
    colour *= vec3(1.0, 0.75, 0.85);

    // The water ripples with the plasma's own gradient.
    vec2 ripple = vec2(waves.x - waves.z, waves.y - waves.w) * 0.03;
    vec3 sea = texture2D(water, gl_TexCoord[0].st * 2.0 + ripple + vec2(time * 0.02, 0.0)).rgb;

    float glow = smoothstep(0.35, 0.9, v * 0.5 + 0.5);
    gl_FragColor = vec4(mix(sea * colour * 1.6, colour, 0.45) + glow * vec3(0.5, 0.35, 0.2), 1.0);
}
