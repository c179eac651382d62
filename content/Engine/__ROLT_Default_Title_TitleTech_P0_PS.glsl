#version 120
// The title picture, faded with the menus by their overlay colour.
uniform sampler2D TitleTex;
uniform vec4 OpacityColor;
varying vec2 uv;

void main()
{
    gl_FragColor = texture2D(TitleTex, uv) * OpacityColor;
}
