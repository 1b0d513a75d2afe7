// A round button: a bright face in the tint with the icon on it, a shining rim.
layout(binding = 4) uniform sampler2D icon;
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
    float s = pow(max(dot(n, h), 0.0), 50.0);
    vec4 i = texture(icon, uv);
    vec3 face = mix(extra.rgb * 0.55, i.rgb, i.a);
    colour = vec4(face * (0.45 + 0.75 * d) + vec3(s) * 0.7, 1.0);
}
