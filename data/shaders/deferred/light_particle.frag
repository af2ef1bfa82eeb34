#version 330 core
// Light particle sprite: the "particle" image tinted with the light's colour,
// hidden by scene surfaces in front of it and faded where it meets them so
// the sprite never shows a hard cut through geometry.
uniform sampler2D particle;
uniform sampler2D depth;
uniform vec2 viewport;
uniform float projCoeffs[5];

flat in vec3 spriteColor;
flat in vec3 spriteCenter;
flat in float spriteRadius;
in vec2 spriteUV;
in vec3 spritePosition;

out vec4 fragColor;

void main()
{
    vec2 uv = gl_FragCoord.xy * viewport;
    float d = texelFetch(depth, ivec2(gl_FragCoord.xy), 0).r;
    float fade = 1.0;
    if (d < 1.0) {
        vec3 ndc = vec3(uv, d) * 2.0 - 1.0;
        float w = ndc.z * projCoeffs[3] + projCoeffs[4];
        float sceneZ = projCoeffs[2] / w;
        // Positive while the scene lies behind the sprite.
        fade = clamp((spritePosition.z - sceneZ) / max(spriteRadius, 1e-4), 0.0, 1.0);
    }
    if (fade <= 0.0) discard;
    vec4 texel = texture(particle, spriteUV);
    fragColor = vec4(spriteColor * texel.rgb * texel.a * fade, 0.0);
}
