// ShaderShow layer: the picture breathing with the beat, with soft
// scanlines drifting down. The example of README.md. GLSL 1.10.
uniform sampler2D picture;  // texture unit 0
uniform float time;         // seconds of demo time
uniform float beat;         // 0..1

void main()
{
    // Zoom in towards the middle on every beat.
    vec2 uv = (gl_TexCoord[0].st - 0.5) * (1.0 - 0.08 * beat) + 0.5;
    vec3 colour = texture2D(picture, uv).rgb;
    // Scanlines drifting down the window, a little brighter on beats.
    float lines = 0.85 + 0.15 * sin(uv.y * 400.0 - time * 6.0);
    gl_FragColor = vec4(colour * lines * (0.8 + 0.4 * beat), 1.0);
}
