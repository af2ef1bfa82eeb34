// Vertex side of the Intro's instanced cubes: the chamfered cube mesh placed,
// turned and sized per instance, written in view space for the G-buffer pass.
// Shapes are modelled in "logo space" (x right, y up, z toward the viewer) and
// turned into the world of the part's one camera, which looks straight down.
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;
layout(location = 2) in vec4 TANGENT;
layout(location = 3) in vec2 TEXCOORD;

uniform mat4 ModelViewProjectionMatrix;
uniform mat4 ModelViewMatrix;

out vec3 viewPosition;
out vec3 viewNormal;
out vec3 viewTangent;
out float tangentSign;
out vec2 uv;
out vec3 tint;

const float PI = 3.14159265;

// Logo space to world: y up on screen is the world's -z seen from above, and
// toward the viewer is up toward the camera (a rotation, so the mesh's faces
// keep their winding).
vec3 toWorld(vec3 p)
{
    return vec3(p.x, p.z, -p.y);
}

float hash(float n)
{
    return fract(sin(n * 12.9898 + 78.233) * 43758.5453);
}

vec3 hash3(float n)
{
    return vec3(hash(n), hash(n + 17.31), hash(n + 41.77));
}

mat3 rotateX(float a)
{
    float c = cos(a), s = sin(a);
    return mat3(1.0, 0.0, 0.0, 0.0, c, s, 0.0, -s, c);
}

mat3 rotateY(float a)
{
    float c = cos(a), s = sin(a);
    return mat3(c, 0.0, -s, 0.0, 1.0, 0.0, s, 0.0, c);
}

mat3 rotateZ(float a)
{
    float c = cos(a), s = sin(a);
    return mat3(c, s, 0.0, -s, c, 0.0, 0.0, 0.0, 1.0);
}

// Mostly cool steel with the odd warm cube: the palette's amber accents.
vec3 instanceTint(float id)
{
    float h = hash(id * 0.731 + 3.0);
    vec3 steel = mix(vec3(0.78, 0.84, 0.92), vec3(1.0), hash(id + 9.0));
    return h > 0.965 ? vec3(1.35, 0.78, 0.36) : steel;
}

// Emits one vertex of a cube of the given size, turned by orient, centred at
// centre (logo space), with the whole shape turned by frame.
void emitCube(vec3 centre, float size, mat3 orient, mat3 frame, float id)
{
    mat3 m = frame * orient;
    vec3 p = toWorld(frame * centre + m * (POSITION * size));
    vec3 n = toWorld(m * NORMAL);
    vec3 t = toWorld(m * TANGENT.xyz);
    viewPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
    viewNormal = mat3(ModelViewMatrix) * n;
    viewTangent = mat3(ModelViewMatrix) * t;
    tangentSign = TANGENT.w < 0.0 ? -1.0 : 1.0;
    uv = TEXCOORD;
    tint = instanceTint(id);
    gl_Position = ModelViewProjectionMatrix * vec4(p, 1.0);
}
