// The crayon's paper label.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
out vec3 viewPos;
out vec3 viewNormal;
out vec4 lightClip;
void main()
{
    vec4 p = vec4(inPosition, 1.0);
    gl_Position = p * worldViewProj;
    viewPos = (p * worldView).xyz;
    viewNormal = ViewNormal(inNormal);
    lightClip = p * worldLight;
}
