// Shared by every shader: the constant-buffer slots as uniform blocks and the lighting helpers.
// Matrices arrive transposed, so a point is transformed as a row vector: p * matrix.

layout(std140, binding = 0) uniform DepthBlock { mat4 worldLight; };            // world x light view-projection
layout(std140, binding = 1) uniform SceneBlock { vec4 lightView; };             // the light in view space
layout(std140, binding = 2) uniform MainBlock { mat4 worldViewProj; mat4 worldView; };
layout(std140, binding = 3) uniform MaterialBlock {
    vec4 matDiffuse;   // the surface's own colour
    vec4 matSpecular;  // highlights and reflections
    vec4 matEmissive;  // glow independent of light
    vec4 matAmbient;   // light from everywhere
    vec4 placement;    // where a frame or rule sits (dialog units)
};
layout(std140, binding = 4) uniform ExtraBlock { vec4 extra; };                 // tint or tiling

#ifdef VERTEX_SHADER
vec3 ViewNormal(vec3 n)
{
    return normalize(n * transpose(inverse(mat3(worldView))));
}
#else
#ifdef SHADOWS
layout(binding = 0) uniform sampler2DShadow shadowMap;

// 1 where the light reaches the point, 0 in full shadow, soft at the edges.
float Lit(vec4 lightClip)
{
    vec3 ndc = lightClip.xyz / lightClip.w;
    vec2 uv = vec2(ndc.x * 0.5 + 0.5, 0.5 - ndc.y * 0.5);
    if (any(lessThan(uv, vec2(0.0))) || any(greaterThan(uv, vec2(1.0))) || ndc.z > 1.0)
        return 1.0;
    vec2 texel = 1.0 / vec2(textureSize(shadowMap, 0));
    float depth = ndc.z - 0.0006;
    // Four filtered comparisons (each already blends 2 x 2 texels): soft edges at a price the
    // software rasteriser can pay at full screen.
    float sum = texture(shadowMap, vec3(uv + vec2(-0.75, -0.75) * texel, depth));
    sum += texture(shadowMap, vec3(uv + vec2(0.75, -0.75) * texel, depth));
    sum += texture(shadowMap, vec3(uv + vec2(-0.75, 0.75) * texel, depth));
    sum += texture(shadowMap, vec3(uv + vec2(0.75, 0.75) * texel, depth));
    return sum * 0.25;
}
#else
float Lit(vec4 lightClip)
{
    return 1.0;
}
#endif

// A studio around the scene for polished surfaces: a bright window above, the warm wooden room
// below and a dark band between them, seen along the reflected direction (view space, y up).
vec3 Studio(vec3 r)
{
    float up = r.y;
    vec3 below = vec3(0.22, 0.13, 0.06);
    vec3 horizon = vec3(0.015, 0.015, 0.03);
    vec3 above = vec3(1.0, 1.0, 1.0);
    vec3 c = mix(horizon, above, smoothstep(0.2, 0.7, up));
    c = mix(c, below, smoothstep(-0.1, -0.7, up));
    // Narrow light strips to the sides make edges sparkle.
    c += vec3(0.8) * smoothstep(0.88, 0.95, abs(r.x)) * smoothstep(-0.3, 0.3, up);
    return c;
}

// Material colours are picked as screen colours; lighting works on linear light.
vec3 ToLinear(vec3 c)
{
    return pow(max(c, vec3(0.0)), vec3(2.2));
}

// Polished metal or lacquer: ambient, diffuse and a sharp highlight from the one light, with the
// studio reflected in the specular colour.
vec3 Metal(vec3 viewPos, vec3 normal, vec4 lightClip, float shininess, float reflection)
{
    vec3 n = normalize(normal);
    vec3 v = normalize(-viewPos);
    if (dot(n, v) < 0.0)
        n = -n;
    vec3 l = normalize(lightView.xyz - viewPos);
    vec3 h = normalize(l + v);
    float lit = Lit(lightClip);
    float diffuse = max(dot(n, l), 0.0) * lit;
    float highlight = pow(max(dot(n, h), 0.0), shininess) * lit;
    vec3 r = reflect(-v, n);
    float fresnel = 0.6 + 0.4 * pow(1.0 - max(dot(n, v), 0.0), 2.0);
    vec3 colour = ToLinear(matAmbient.rgb) * 0.5 + ToLinear(matEmissive.rgb) + ToLinear(matDiffuse.rgb) * (0.6 + 2.4 * diffuse);
    colour += ToLinear(matSpecular.rgb) * (highlight * 1.5 + Studio(r) * reflection * fresnel * (0.6 + 0.4 * lit));
    return colour;
}
#endif
