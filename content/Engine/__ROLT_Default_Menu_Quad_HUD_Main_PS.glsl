#version 120
// The quad's texel, modulated by the modulation texture and colour, the vertex colour and the menus' overlay colour.
uniform sampler2D elemTex;
uniform sampler2D modTex;
uniform vec4 modColor;
uniform vec4 OpacityColor;

varying vec2 texCoord;
varying vec4 colour;

void main()
{
    gl_FragColor = texture2D(elemTex, texCoord) * texture2D(modTex, texCoord) * modColor * colour * OpacityColor;
}
