// Matte paper: soft light, no sharp highlight, faint fibres.
in vec3 viewPos;
in vec3 viewNormal;
in vec4 lightClip;
out vec4 colour;
void main()
{
    vec3 n = normalize(viewNormal);
    vec3 l = normalize(lightView.xyz - viewPos);
    float d = abs(dot(n, l)) * Lit(lightClip);
    float fibre = 0.94 + 0.06 * fract(sin(dot(floor(viewPos.xy * 900.0), vec2(12.9898, 78.233))) * 43758.5453);
    colour = vec4((matAmbient.rgb + matDiffuse.rgb * (0.4 + 0.8 * d)) * fibre, 1.0);
}
