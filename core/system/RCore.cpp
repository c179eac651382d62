#include "core/system/RCore.h"

#include "core/files/RFile.h"
#include "core/system/RPlatformLayer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <new>
#include <sys/stat.h>

namespace {

// What the user folder's path leaves room for: the game keeps nothing deeper in it than a file of the longest name
// the system allows in a folder of the same, and it has a user folder only where both can be made. The folder's
// name, its "/" and the file's name follow the user folder's own "/".
const size_t kUserFolderRoom = NAME_MAX + 1 + NAME_MAX;

} // namespace

RCore* RCore::s_instance = nullptr;
bool RCore::s_quitting = false;

RCore::RCore()
{
    if (!s_instance)
        s_instance = this;
}

RCore::~RCore()
{
    if (s_instance == this)
        s_instance = nullptr;
}

RCore* RCore::GetInstance()
{
    if (!s_instance && !s_quitting)
        new RCore();
    return s_instance;
}

char* GetApplicationSupportPath(const char* publisher, const char* applicationName, int* outMakeError)
{
    if (outMakeError)
        *outMakeError = 0;
    if (!publisher || !applicationName)
        return nullptr;
    char base[PATH_MAX];
    if (!RPlatformLayer::GetApplicationSupportFolder(base, sizeof base))
        return nullptr;

    int length = snprintf(nullptr, 0, "%s/%s/%s/", base, publisher, applicationName);
    if (length < 0)
        return nullptr;
    char* path = new (std::nothrow) char[(size_t)length + 1];
    if (!path)
        return nullptr;
    snprintf(path, (size_t)length + 1, "%s/%s/%s/", base, publisher, applicationName);
    // A folder the system would refuse is no user folder: nothing is made on the way to it.
    if (!RPlatformLayer::TakesPath(path, kUserFolderRoom)) {
        delete[] path;
        return nullptr;
    }

    // Make every level that is missing; failures (it exists, or cannot be made) show later when it is used. The
    // first level that could not be made says why the folder is not there: the levels below it fail only for it.
    int makeError = 0;
    const auto makeLevel = [path, &makeError] {
        if (mkdir(path, 0700) != 0 && errno != EEXIST && makeError == 0)
            makeError = errno;
    };
    for (char* cursor = path + 1; *cursor; ++cursor) {
        if (*cursor != '/')
            continue;
        *cursor = 0;
        makeLevel();
        *cursor = '/';
    }
    makeLevel();
    if (outMakeError)
        *outMakeError = makeError;
    return path;
}

bool GetResourcesPath(char* outPath, size_t outSize)
{
    return RPlatformLayer::GetResourcesFolder(outPath, outSize);
}

bool RCore::MakeUserFolder(char* outPath, size_t outSize, const char* applicationName, const char* subfolder,
                           bool create, int* outMakeError)
{
    if (outMakeError)
        *outMakeError = 0;
    if (!outPath || outSize == 0)
        return false;
    outPath[0] = 0;

    RCore* core = GetInstance();
    if (!core)
        return false;
    char* userFolder = GetApplicationSupportPath(core->GetPublisherName(), applicationName, outMakeError);
    if (!userFolder)
        return false;
    bool hasSubfolder = subfolder && subfolder[0];
    bool fits = RFile::JoinPath(outPath, outSize, userFolder, hasSubfolder ? subfolder : "");
    delete[] userFolder;
    if (!fits)
        return false;
    if (hasSubfolder && create)
        mkdir(outPath, 0777);
    return true;
}
