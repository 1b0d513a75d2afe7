// Text from the font's coverage, in the vertex colour.
layout(binding = 3) uniform sampler2D font;
in vec2 uv;
in vec4 tint;
out vec4 colour;
void main()
{
    float coverage = texture(font, uv).a;
    colour = vec4(ToLinear(tint.rgb), tint.a * coverage);
}
