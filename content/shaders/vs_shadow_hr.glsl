// The rule seen from the light.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
void main()
{
    gl_Position = vec4(inPosition.x * placement.x * 0.985 + placement.z, inPosition.y + placement.y, inPosition.z, 1.0) * worldLight;
}
