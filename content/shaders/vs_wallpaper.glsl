// The wooden table: tiled by the back buffer's size (one repeat per 256 pixels).
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec2 inUv;
out vec2 uv;
out vec2 screen;
out vec3 viewPos;
out vec4 lightClip;
void main()
{
    vec4 p = vec4(inPosition, 1.0);
    gl_Position = p * worldViewProj;
    uv = inUv * extra.xy;
    screen = inUv;
    viewPos = (p * worldView).xyz;
    lightClip = p * worldLight;
}
