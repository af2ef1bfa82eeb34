// Vertex stage of every light program: one vertex per light, its 48-byte
// record handed on unchanged to the geometry stage, which decides what part of
// the screen the light can reach.
in vec3 POSITION;  // view-space position (directional: world-space direction)
in vec3 NORMAL;    // kind parameters
in vec3 COLOR;     // colour times intensity
in vec3 TEXCOORD;  // second point or direction of the kind

out vec3 vPosition;
out vec3 vParams;
out vec3 vColor;
out vec3 vExtra;

void main()
{
    vPosition = POSITION;
    vParams = NORMAL;
    vColor = COLOR;
    vExtra = TEXCOORD;
    gl_Position = vec4(0.0, 0.0, 0.0, 1.0);
}
