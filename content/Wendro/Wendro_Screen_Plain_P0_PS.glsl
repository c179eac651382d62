#version 120
// The game picture with square pixels and nothing else.
uniform sampler2D RoomTexture;
varying vec2 uv;

void main()
{
    gl_FragColor = vec4(texture2D(RoomTexture, uv).rgb, 1.0);
}
