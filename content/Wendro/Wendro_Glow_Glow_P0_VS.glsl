#version 120
// The whole 320 x 200 glow target, texel for texel of the room picture.
attribute vec3 inPos;
attribute vec2 inTex;
varying vec2 uv;

void main()
{
    uv = inTex;
    gl_Position = vec4(inPos.xy, 0.0, 1.0);
}
