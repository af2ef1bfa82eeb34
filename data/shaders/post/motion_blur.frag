#version 330 core
// Camera motion blur: each pixel's depth goes through "CurrentMatrix" (inverse
// projection * view of this frame) to world space and through "PreviousMatrix"
// (projection * view of the previous frame) to where it was on screen; the
// picture is blurred along that motion, centred on the pixel.
uniform sampler2D color_buffer;
uniform sampler2D depth_buffer;
uniform vec2 TexelSize;
uniform mat4 PreviousMatrix;
uniform mat4 CurrentMatrix;

in vec2 uv;
out vec4 fragColor;

const int Taps = 9;

void main()
{
    float d = texture(depth_buffer, uv).r;
    vec4 world = CurrentMatrix * vec4(vec3(uv, d) * 2.0 - 1.0, 1.0);
    world /= world.w;
    vec4 previous = PreviousMatrix * world;
    vec2 previousUv = previous.w > 0.0 ? previous.xy / previous.w * 0.5 + 0.5 : uv;
    vec2 motion = uv - previousUv;
    // A cut between cameras must not smear the whole frame: at most 48 texels.
    float texels = length(motion / TexelSize);
    if (texels > 48.0) motion *= 48.0 / texels;
    vec3 sum = vec3(0.0);
    for (int i = 0; i < Taps; ++i) {
        float t = float(i) / float(Taps - 1) - 0.5;
        sum += texture(color_buffer, uv + motion * t).rgb;
    }
    fragColor = vec4(sum / float(Taps), 1.0);
}
