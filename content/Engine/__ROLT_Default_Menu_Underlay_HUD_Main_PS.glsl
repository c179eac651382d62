#version 120
// A panel of any size from one square texture: the outer TexSplit of the texture on each side is drawn at its
// own size (TexSize texels across the whole texture), the middle part repeats, each repeat CenterScale times its
// texel size. Modulated like a menu quad.
uniform sampler2D elemTex;
uniform sampler2D modTex;
uniform vec4 modColor;
uniform vec4 OpacityColor;
uniform float TexSize;
uniform float TexSplit;
uniform float CenterScale;

varying vec2 panelCoord;
varying vec2 panelSize;
varying vec4 colour;

// The texture coordinate along one side of a panel size units long, at the fraction t of it.
float SliceCoord(float t, float size)
{
    float along = t * size;
    float border = TexSize * TexSplit;
    if (along <= border && along <= size * 0.5)
        return along / TexSize;
    float fromEnd = size - along;
    if (fromEnd <= border)
        return 1.0 - fromEnd / TexSize;
    float repeat = TexSize * (1.0 - 2.0 * TexSplit) * CenterScale;
    return TexSplit + fract((along - border) / repeat) * (1.0 - 2.0 * TexSplit);
}

void main()
{
    vec2 texCoord = vec2(SliceCoord(panelCoord.x, panelSize.x), SliceCoord(panelCoord.y, panelSize.y));
    gl_FragColor = texture2D(elemTex, texCoord) * texture2D(modTex, panelCoord) * modColor * colour * OpacityColor;
}
