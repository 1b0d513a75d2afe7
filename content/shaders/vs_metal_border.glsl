// The dialog frame: each vertex is an offset from the corner its texture coordinate names.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inCorner;
out vec3 viewPos;
out vec3 viewNormal;
out vec4 lightClip;
void main()
{
    vec2 corner = vec2(mix(placement.x, placement.z, inCorner.x), mix(placement.y, placement.w, inCorner.y));
    vec4 p = vec4(corner + inPosition.xy, inPosition.z, 1.0);
    gl_Position = p * worldViewProj;
    viewPos = (p * worldView).xyz;
    viewNormal = ViewNormal(inNormal);
    lightClip = p * worldLight;
}
