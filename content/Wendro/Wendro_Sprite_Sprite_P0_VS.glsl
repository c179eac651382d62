#version 120
// A sprite's rectangle (SpriteRect: x, y, width, height in game pixels from the top left) on the 320 x 200 game
// picture; tiles counts the sheet tiles across and down it for the pixel shader.
attribute vec3 inPos;
attribute vec2 inTex;
uniform vec4 SpriteRect;
uniform vec4 SpriteTile;
varying vec2 tiles;

void main()
{
    vec2 corner = vec2(inTex.x, 1.0 - inTex.y);
    vec2 pixel = SpriteRect.xy + corner * SpriteRect.zw;
    tiles = corner * SpriteRect.zw / 8.0;
    if (SpriteTile.z > 0.5)
        tiles.x = SpriteRect.z / 8.0 - tiles.x;
    gl_Position = vec4(pixel.x / 160.0 - 1.0, 1.0 - pixel.y / 100.0, 0.0, 1.0);
}
