#version 120
// The finished picture times the brightness setting, fully opaque.
uniform sampler2D FinalPassBackbuffer;
uniform float Brightness;
varying vec2 uv;

void main()
{
    vec3 colour = texture2D(FinalPassBackbuffer, uv).rgb * Brightness;
    gl_FragColor = vec4(clamp(colour, 0.0, 1.0), 1.0);
}
