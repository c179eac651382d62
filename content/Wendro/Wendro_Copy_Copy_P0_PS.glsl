#version 120
// The source, texel for texel.
uniform sampler2D CopySource;
varying vec2 uv;

void main()
{
    gl_FragColor = vec4(texture2D(CopySource, uv).rgb, 1.0);
}
