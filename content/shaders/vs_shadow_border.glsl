// The dialog frame seen from the light.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inCorner;
void main()
{
    vec2 corner = vec2(mix(placement.x, placement.z, inCorner.x), mix(placement.y, placement.w, inCorner.y));
    gl_Position = vec4(corner + inPosition.xy, inPosition.z, 1.0) * worldLight;
}
