// Polished metal of frames and rules.
in vec3 viewPos;
in vec3 viewNormal;
in vec4 lightClip;
out vec4 colour;
void main()
{
    colour = vec4(Metal(viewPos, viewNormal, lightClip, 80.0, 1.0), 1.0);
}
