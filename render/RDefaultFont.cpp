#include "render/RDefaultFont.h"

RDefaultFont::RDefaultFont()
{
    LoadGlyphMetrics(kMetricsFile);
}
