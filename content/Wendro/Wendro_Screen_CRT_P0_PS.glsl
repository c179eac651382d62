#version 120
// A simulated monitor: the picture softened across its pixels, a bloom of its bright parts, dark gaps between
// the scan lines, and a trace of the previous frame (HistoryTexture, the last screen) as the phosphor fades.
uniform sampler2D RoomTexture;
uniform sampler2D HistoryTexture;
varying vec2 uv;
varying vec2 screenUV;

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

    float line = fract(uv.y * 200.0);
    colour *= 0.65 + 0.35 * sin(line * 3.14159265);

    vec3 previous = texture2D(HistoryTexture, screenUV).rgb;
    colour = max(colour, previous * 0.45);
    gl_FragColor = vec4(clamp(colour, 0.0, 1.0), 1.0);
}
