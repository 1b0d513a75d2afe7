// Buttons with an icon (and push buttons): lit, textured.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inUv;
out vec3 viewPos;
out vec3 viewNormal;
out vec2 uv;
void main()
{
    vec4 p = vec4(inPosition, 1.0);
    gl_Position = p * worldViewProj;
    viewPos = (p * worldView).xyz;
    viewNormal = ViewNormal(inNormal);
    uv = inUv;
}
