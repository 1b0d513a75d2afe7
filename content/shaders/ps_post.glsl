// A texture copied as it is.
layout(binding = 4) uniform sampler2D source;
in vec2 uv;
out vec4 colour;
void main()
{
    colour = texture(source, uv);
}
