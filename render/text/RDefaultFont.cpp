#include "render/text/RDefaultFont.h"

RDefaultFont::RDefaultFont()
{
    LoadGlyphMetrics(kMetricsFile);
}
