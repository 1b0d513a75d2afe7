// Warm wood under the lamp: lit from the scene's light, shadowed by what stands on it, a little
// darker towards the screen's edges.
layout(binding = 4) uniform sampler2D wood;
in vec2 uv;
in vec2 screen;
in vec3 viewPos;
in vec4 lightClip;
out vec4 colour;
void main()
{
    vec3 base = texture(wood, uv).rgb;
    vec3 l = normalize(lightView.xyz - viewPos);
    float facing = max(l.z * -1.0, 0.0);
    float lit = Lit(lightClip);
    vec2 c = screen - vec2(0.5);
    float vignette = 1.0 - 0.35 * dot(c, c) * 2.0;
    vec3 light = vec3(1.0, 0.95, 0.86) * (0.45 + 0.75 * facing * (0.35 + 0.65 * lit));
    colour = vec4(base * light * vignette, 1.0);
}
