#version 120
// Menu underlay panels in the menu space: each corner carries its place on the panel (0 to 1 across and down),
// the panel's size in menu units and a colour.
attribute vec3 inPosition;
attribute vec2 inPanelCoord;
attribute vec2 inPanelSize;
attribute vec4 inColour;

uniform float invHalfScreenWidth;
uniform float invHalfScreenHeight;
uniform float xOffset;
uniform float yOffset;

// Pixels (or menu units) with y negated to clip space: x from the left edge, y down from the top edge.
vec4 ToClip(vec2 position)
{
    return vec4(position.x * invHalfScreenWidth - 1.0 + xOffset, position.y * invHalfScreenHeight + 1.0 - yOffset,
                0.0, 1.0);
}

varying vec2 panelCoord;
varying vec2 panelSize;
varying vec4 colour;

void main()
{
    gl_Position = ToClip(inPosition.xy);
    panelCoord = inPanelCoord;
    panelSize = inPanelSize;
    colour = inColour;
}
