#version 120
// A simulated monitor: the glow of the picture (GlowTexture, made at the picture's size by the glow pass, stored
// halved) spread over the screen, with dark gaps between the scan lines.
uniform sampler2D GlowTexture;
varying vec2 uv;

void main()
{
    vec3 colour = texture2D(GlowTexture, uv).rgb * 2.0;
    float line = fract(uv.y * 200.0);
    colour *= 0.65 + 0.35 * sin(line * 3.14159265);
    gl_FragColor = vec4(clamp(colour, 0.0, 1.0), 1.0);
}
