#version 120
// The room picture over the whole 320 x 200 game picture. The picture's rows are stored from the top.
attribute vec3 inPos;
attribute vec2 inTex;
varying vec2 uv;

void main()
{
    uv = vec2(inTex.x, 1.0 - inTex.y);
    gl_Position = vec4(inPos.xy, 0.0, 1.0);
}
