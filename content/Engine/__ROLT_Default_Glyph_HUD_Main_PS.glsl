#version 120
// The page texel, modulated by the modulation texture across the cell, the modulation colour and the vertex colour.
uniform sampler2D elemTex;
uniform sampler2D modTex;
uniform vec4 modColor;

varying vec2 pageCoord;
varying vec2 cellCoord;
varying vec4 colour;

void main()
{
    gl_FragColor = texture2D(elemTex, pageCoord) * texture2D(modTex, cellCoord) * modColor * colour;
}
