#version 120
// A full-screen copy.
attribute vec3 inPos;
attribute vec2 inTex;
varying vec2 uv;

void main()
{
    uv = inTex;
    gl_Position = vec4(inPos.xy, 0.0, 1.0);
}
