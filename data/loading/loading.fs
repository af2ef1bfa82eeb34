#version 330 core
// Loading screen: the title card faded by params.x, with the loading progress (params.y, 0..1)
// filling the empty track that the picture itself carries.

uniform vec2 params;
uniform sampler2D loading;

in vec2 uv;

out vec4 fragColor;

// The track in picture coordinates (origin bottom left), as the title card draws it: 2 lines of 720 thick.
const float TRACK_LEFT = 0.40;
const float TRACK_RIGHT = 0.60;
const float TRACK_Y = 1.0 - 0.815;
const float TRACK_HALF = 1.0 / 720.0;

const vec3 TEAL = vec3(0.247, 0.843, 0.902);
const vec3 AMBER = vec3(1.000, 0.702, 0.278);
const vec3 HOT = vec3(1.000, 0.867, 0.690);

void main()
{
    float alpha = clamp(params.x, 0.0, 1.0);
    float progress = clamp(params.y, 0.0, 1.0);
    vec3 colour = texture(loading, uv).rgb;

    // One window pixel in picture units keeps the edges antialiased at any resolution.
    vec2 pixel = max(fwidth(uv), vec2(1e-6));
    float halfThickness = max(TRACK_HALF, 0.5 * pixel.y);
    float end = mix(TRACK_LEFT, TRACK_RIGHT, progress);
    float dy = abs(uv.y - TRACK_Y);

    float across = 1.0 - smoothstep(halfThickness - 0.5 * pixel.y, halfThickness + 0.5 * pixel.y, dy);
    // How much of this pixel's width lies inside the filled stretch: exactly 0 while nothing has loaded.
    float along = clamp((min(uv.x + 0.5 * pixel.x, end) - max(uv.x - 0.5 * pixel.x, TRACK_LEFT)) / pixel.x, 0.0, 1.0);
    float t = clamp((uv.x - TRACK_LEFT) / (TRACK_RIGHT - TRACK_LEFT), 0.0, 1.0);
    vec3 bar = mix(TEAL, AMBER, smoothstep(0.0, 1.0, t));
    colour = mix(colour, bar, across * along);

    // A soft halo along the filled part and a hot spot at its leading edge.
    float halo = exp(-pow(dy / (6.0 * pixel.y), 2.0)) * along * smoothstep(0.0, 16.0 * pixel.x, uv.x - TRACK_LEFT);
    float head = exp(-pow((uv.x - end) / (6.0 * pixel.x), 2.0) - pow(dy / (4.0 * pixel.y), 2.0));
    head *= smoothstep(0.0, 0.02, progress) * (1.0 - smoothstep(0.98, 1.0, progress) * 0.5);
    colour += bar * halo * 0.18 + HOT * head * 0.55;

    fragColor = vec4(colour * alpha, alpha);
}
