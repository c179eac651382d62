#version 120
// The brightness calibration picture on the full-screen quad, scaled and placed by wvpMat. Texture rows run from the top of the picture
// down, so v is turned over.
attribute vec3 inPos;
attribute vec2 inTex;
uniform mat4 wvpMat;
varying vec2 uv;

void main()
{
    uv = vec2(inTex.x, 1.0 - inTex.y);
    gl_Position = wvpMat * vec4(inPos.xy, 0.0, 1.0);
}
