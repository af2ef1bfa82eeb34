// The cone shared by spot and projective lights (parameters: cosCone,
// cosEdge, range; second vector: the direction they shine along, not unit).
struct ConeLight {
    vec3 l;             // unit vector to the light
    float distance;     // to the light
    float attenuation;  // cone times distance falloff, > 0
};

bool coneLight(Surface s, out ConeLight c)
{
    vec3 toLight = lightPosition - s.position;
    c.distance = length(toLight);
    c.l = c.distance > 1e-6 ? toLight / c.distance : vec3(0.0, 0.0, 1.0);
    c.attenuation = 0.0;
    float dl = length(lightExtra);
    if (c.distance < 1e-6 || dl < 1e-6) return false;
    float cone = coneFactor(dot(-c.l, lightExtra / dl), lightParams.x, lightParams.y);
    c.attenuation = cone * distanceFalloff(c.distance, lightParams.z);
    return c.attenuation > 0.0;
}
