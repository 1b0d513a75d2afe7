// A colour of the palette: glossy paint in the tint.
layout(binding = 4) uniform sampler2D label;
in vec3 viewPos;
in vec3 viewNormal;
in vec2 uv;
out vec4 colour;
void main()
{
    vec3 n = normalize(viewNormal);
    vec3 v = normalize(-viewPos);
    vec3 l = normalize(lightView.xyz - viewPos);
    vec3 h = normalize(l + v);
    float d = max(dot(n, l), 0.0);
    float s = pow(max(dot(n, h), 0.0), 40.0);
    vec4 t = texture(label, uv);
    vec3 paint = mix(extra.rgb, t.rgb, t.a);
    colour = vec4(paint * (0.4 + 0.8 * d) + vec3(s) * 0.6, 1.0);
}
