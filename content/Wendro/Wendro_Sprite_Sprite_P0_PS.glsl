#version 120
// The tile (column, row) of the 16 x 16-tile sheet, repeated; its colour 0 is see-through.
uniform sampler2D SpriteSheet;
varying vec2 tiles;
varying vec2 tile;

void main()
{
    // Every corner of a sprite carries the same whole tile numbers: whatever the interpolation leaves of them is
    // put back on the whole number.
    vec2 sheetTile = floor(tile + 0.5);
    vec2 inTile = clamp(fract(tiles), 0.0, 0.999) * 8.0;
    vec4 colour = texture2D(SpriteSheet, (sheetTile * 8.0 + inTile) / 128.0);
    if (colour.a < 0.5)
        discard;
    gl_FragColor = vec4(colour.rgb, 1.0);
}
