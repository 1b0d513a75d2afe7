// Letters cast their own shape.
layout(binding = 3) uniform sampler2D font;
in vec2 uv;
void main()
{
    if (texture(font, uv).a < 0.5)
        discard;
}
