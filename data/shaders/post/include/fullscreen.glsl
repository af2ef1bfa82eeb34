// Full-screen quad of the post-processing passes: POSITION runs from 0 to 1 and
// doubles as the texture coordinate of the target.
in vec2 POSITION;

out vec2 uv;

void main()
{
    uv = POSITION;
    gl_Position = vec4(POSITION * 2.0 - 1.0, 0.0, 1.0);
}
