#version 120
// Menu button quads in the menu space: a texture coordinate and a colour per corner.
attribute vec3 inPosition;
attribute vec2 inTexCoord;
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

varying vec2 texCoord;
varying vec4 colour;

void main()
{
    gl_Position = ToClip(inPosition.xy);
    texCoord = inTexCoord;
    colour = inColour;
}
