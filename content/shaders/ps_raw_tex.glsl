// A picture: each texel's region number picks its colour from the palette; the low four bits
// are the outline's coverage, drawn dark over the colour.
layout(binding = 4) uniform usampler2D regions;
layout(binding = 5) uniform sampler1D palette;
in vec2 uv;
out vec4 colour;
void main()
{
    ivec2 size = textureSize(regions, 0);
    ivec2 at = clamp(ivec2(uv * vec2(size)), ivec2(0), size - 1);
    uint texel = texelFetch(regions, at, 0).r;
    vec4 fill = texelFetch(palette, int(texel >> 4u), 0);
    float outline = float(texel & 15u) / 15.0;
    colour = vec4(mix(fill.rgb, vec3(0.06, 0.05, 0.05), outline), 1.0);
}
