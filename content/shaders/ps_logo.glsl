// The logo, blended over the dialog.
layout(binding = 4) uniform sampler2D logo;
in vec2 uv;
out vec4 colour;
void main()
{
    colour = texture(logo, uv);
}
