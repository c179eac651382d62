#version 120
// A run of sprites, one quad each: every vertex carries one corner of its quad (inTex, as the picture quad's
// texture coordinates) and the sprite's rectangle (inRectPos, inRectSize: x, y, width, height in game pixels from
// the top left of the 320 x 200 game picture), its tile (inTile: column and row on the sheet) and its flip
// (inFlip.x). tiles counts the sheet tiles across and down the rectangle for the pixel shader.
attribute vec2 inTex;
attribute vec2 inRectPos;
attribute vec2 inRectSize;
attribute vec2 inTile;
attribute vec2 inFlip;
varying vec2 tiles;
varying vec2 tile;

void main()
{
    vec4 rect = vec4(inRectPos, inRectSize);
    vec2 corner = vec2(inTex.x, 1.0 - inTex.y);
    vec2 pixel = rect.xy + corner * rect.zw;
    tiles = corner * rect.zw / 8.0;
    if (inFlip.x > 0.5)
        tiles.x = rect.z / 8.0 - tiles.x;
    tile = inTile;
    gl_Position = vec4(pixel.x / 160.0 - 1.0, 1.0 - pixel.y / 100.0, 0.0, 1.0);
}
