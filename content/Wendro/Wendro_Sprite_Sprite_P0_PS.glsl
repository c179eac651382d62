#version 120
// The tile at SpriteTile (column, row) of the 16 x 16-tile sheet, repeated; its colour 0 is see-through.
uniform sampler2D SpriteSheet;
uniform vec4 SpriteTile;
varying vec2 tiles;

void main()
{
    vec2 inTile = clamp(fract(tiles), 0.0, 0.999) * 8.0;
    vec4 colour = texture2D(SpriteSheet, (SpriteTile.xy * 8.0 + inTile) / 128.0);
    if (colour.a < 0.5)
        discard;
    gl_FragColor = vec4(colour.rgb, 1.0);
}
