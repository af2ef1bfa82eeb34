#version 330 core
// A credits cell on a dark glass disc with a thin amber rim. The atlas cell starts at
// uvOffset - (0, uvScale.y): offsets name the top-left corner of the cell in texture space.
uniform sampler2D particle;
uniform vec2 uvOffset;
uniform vec2 uvScale;

out vec4 fragColor;

void main()
{
    vec2 pc = gl_PointCoord;
    vec2 d = pc * 2.0 - 1.0;
    float r = length(d);
    float edge = fwidth(r) + 1e-4;
    float disc = 1.0 - smoothstep(1.0 - edge, 1.0, r);
    if (disc <= 0.0) discard;
    float rim = smoothstep(0.90 - edge, 0.93, r) * disc;
    vec2 uv = uvOffset + vec2(pc.x, -pc.y) * uvScale;
    float ink = texture(particle, uv).r * (1.0 - smoothstep(0.78, 0.88, r));
    vec3 glass = vec3(0.012, 0.018, 0.026);
    vec3 color = glass + vec3(0.78, 0.86, 0.92) * ink + vec3(1.0, 0.55, 0.16) * rim * 0.9;
    // Translucent glass: the ink behind a disc stays visible through it.
    float alpha = disc * 0.6;
    fragColor = vec4(color * alpha, alpha);
}
