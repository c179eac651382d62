#version 120
// The game picture centred on the screen at its own 16:10 shape (ScreenScale: the part of each side it covers).
attribute vec3 inPos;
attribute vec2 inTex;
uniform vec4 ScreenScale;
varying vec2 uv;

void main()
{
    uv = inTex;
    gl_Position = vec4(inPos.xy * ScreenScale.xy, 0.0, 1.0);
}
