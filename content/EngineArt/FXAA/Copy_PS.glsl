#version 120
// The scene's picture copied as it is: no edge smoothing.
uniform sampler2D PreHUDPassBackbuffer;
varying vec2 uv;

void main()
{
    gl_FragColor = texture2D(PreHUDPassBackbuffer, uv);
}
