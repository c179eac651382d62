// RPlatformLayer: the platform layer's answers to "where does this user's data live" and "where is the program's
// content". Both write an absolute folder path (without a trailing "/") into a buffer the caller owns and return
// false, leaving the buffer empty, when the folder cannot be named or the path would not fit.
#pragma once

#include <cstddef>

class RPlatformLayer {
public:
    // The user's application-data folder: $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share.
    // False when neither variable gives an absolute path.
    static bool GetApplicationSupportFolder(char* outPath, size_t outSize);

    // The program's resource folder: $ROLT_RESOURCE_DIR when set, else the folder "Resources" beside the
    // executable. The folder must exist; the path written is its canonical absolute form.
    static bool GetResourcesFolder(char* outPath, size_t outSize);
};
