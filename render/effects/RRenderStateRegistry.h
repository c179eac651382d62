// RRenderStateRegistry: every render-state name any loaded pass has set, with every value it was given, for the
// debug listing. One process-wide map, main thread only; it only grows while the program runs and is freed at
// process exit.
#pragma once

#include <cstdio>

#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"

class RRenderStateRegistry {
public:
    // State name to the set of its values (the bool is always true).
    typedef RUtilMap<RUtilMap<bool, RHashedString>, RHashedString> Map;

    static void Mark(RHashedString state, RHashedString value);
    static Map& GetMap();
    // For each state in key order the line "%s\r\n" with its name, then "\t%s\r\n" for each of its values.
    // False when a write fails.
    static bool Write(FILE* out);
};
