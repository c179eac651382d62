#version 120
// The simulated monitor's glow at each pixel of the room picture: the picture softened across its pixels, a bloom
// of its bright parts, and the trace of the earlier frames (PreviousGlow, last frame's glow) as the phosphor fades.
// The glow can exceed 1 where the bloom adds to white; it is stored halved and the screen pass doubles it.
uniform sampler2D RoomTexture;
uniform sampler2D PreviousGlow;
varying vec2 uv;

const vec2 texel = vec2(1.0 / 320.0, 1.0 / 200.0);

void main()
{
    vec3 colour = texture2D(RoomTexture, uv).rgb * 0.6;
    colour += texture2D(RoomTexture, uv + vec2(texel.x, 0.0)).rgb * 0.2;
    colour += texture2D(RoomTexture, uv - vec2(texel.x, 0.0)).rgb * 0.2;

    vec3 bloom = vec3(0.0);
    for (int i = -2; i <= 2; ++i) {
        for (int j = -2; j <= 2; ++j) {
            vec3 near = texture2D(RoomTexture, uv + vec2(float(i), float(j)) * texel * 1.5).rgb;
            bloom += max(near - 0.5, 0.0);
        }
    }
    colour += bloom * (0.6 / 25.0);

    vec3 previous = texture2D(PreviousGlow, uv).rgb * 2.0;
    colour = max(colour, previous * 0.45);
    gl_FragColor = vec4(clamp(colour * 0.5, 0.0, 1.0), 1.0);
}
