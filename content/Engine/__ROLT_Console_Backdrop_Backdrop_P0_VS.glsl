#version 120
// The panel hangs from the top of the screen: wvpMat scales its corners (y 0 to 1) to 0 down to -height pixels,
// which invHalfScreenHeight turns into clip units below the top edge. Its vertex colours shade it; the opacity
// fades the whole panel.
attribute vec3 inPos;
attribute vec4 inColor;
uniform mat4 wvpMat;
uniform float invHalfScreenHeight;
uniform float BackdropOpacity;
varying vec4 colour;

void main()
{
    vec4 placed = wvpMat * vec4(inPos, 1.0);
    gl_Position = vec4(placed.x, 1.0 + placed.y * invHalfScreenHeight, 0.0, 1.0);
    colour = vec4(inColor.rgb, inColor.a * BackdropOpacity);
}
