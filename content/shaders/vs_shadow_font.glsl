// Text seen from the light.
layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec4 inColour;
out vec2 uv;
void main()
{
    gl_Position = vec4(inPosition.xy, 0.0, 1.0) * worldLight;
    uv = inPosition.zw;
}
