#version 120
// The finished picture onto the screen, turned by the tate matrix (quarter turns for portrait play).
attribute vec3 inPos;
attribute vec2 inTex;
uniform mat4 tateMat;
varying vec2 uv;

void main()
{
    uv = inTex;
    gl_Position = tateMat * vec4(inPos.xy, 0.0, 1.0);
}
