// Text: x, y in the dialog's units; the glyph's place in the font texture rides in z, w.
layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec4 inColour;
out vec2 uv;
out vec4 tint;
void main()
{
    gl_Position = vec4(inPosition.xy, 0.0, 1.0) * worldViewProj;
    uv = inPosition.zw;
    tint = inColour;
}
