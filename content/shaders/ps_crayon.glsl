// Glossy wax or lacquered metal.
in vec3 viewPos;
in vec3 viewNormal;
in vec4 lightClip;
out vec4 colour;
void main()
{
    colour = vec4(Metal(viewPos, viewNormal, lightClip, 60.0, 0.35), 1.0);
}
