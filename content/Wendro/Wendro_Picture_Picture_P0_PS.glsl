#version 120
// The room picture, pixel for pixel.
uniform sampler2D Picture;
varying vec2 uv;

void main()
{
    gl_FragColor = vec4(texture2D(Picture, uv).rgb, 1.0);
}
