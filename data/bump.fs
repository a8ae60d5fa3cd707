// TwistBox: the grid picture on the tower's rings as raised metal panels,
// lit by a lamp that sways across the window and fading into black fog with
// the distance from the eye. GLSL 1.10, fragment stage only: the
// fixed-function vertex stage hands over the ring's texture coordinate.
//
// grid        the picture on texture unit 0; its brightness is the height
// intensity   steepness of the relief: 0.25 at rest, down to 0.15 on beats,
//             which makes the relief sharper
// resolution  the window size in pixels
// pos         the lamp: x swings from -0.5 to 0.5 about the middle of the
//             window, y = 0.5 is half its height
#version 110

uniform sampler2D grid;
uniform float intensity;
uniform vec2 resolution;
uniform vec2 pos;

float Height(vec2 uv)
{
    return dot(texture2D(grid, uv).rgb, vec3(0.299, 0.587, 0.114));
}

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec3 albedo = texture2D(grid, uv).rgb;

    // Slope of the height field, two texels either way.
    const float d = 2.0 / 512.0;
    float dx = Height(uv + vec2(d, 0.0)) - Height(uv - vec2(d, 0.0));
    float dy = Height(uv + vec2(0.0, d)) - Height(uv - vec2(0.0, d));
    vec3 normal = normalize(vec3(-dx, -dy, intensity));

    // The lamp hangs in front of the window and sways from edge to edge.
    vec2 lamp = vec2(0.5 + pos.x, pos.y) * resolution;
    vec3 to_lamp = vec3((lamp - gl_FragCoord.xy) / resolution.y, 0.6);
    float reach = 1.0 / (1.0 + 1.2 * dot(to_lamp.xy, to_lamp.xy));
    vec3 l = normalize(to_lamp);
    float diffuse = max(dot(normal, l), 0.0);
    float shine = pow(max(dot(reflect(-l, normal), vec3(0.0, 0.0, 1.0)), 0.0), 24.0);

    vec3 colour = albedo * (0.25 + 1.5 * diffuse * reach) + vec3(1.0, 0.85, 0.6) * shine * reach;

    // Black fog: the eye distance is 1 / w of the fragment in a perspective view.
    float distance = 1.0 / gl_FragCoord.w;
    float fog = exp(-max(distance - 7.0, 0.0) * 0.3);
    gl_FragColor = vec4(colour * fog, 1.0);
}
