// rpk: the pack tool.
//   rpk create PACK FOLDER   packs every file under FOLDER (hidden ones excepted), named by its path relative to
//                            FOLDER with "/" between folders, in byte order of the names
//   rpk list PACK            prints each entry's size and name
//   rpk extract PACK FOLDER  writes every entry to FOLDER under its name, making subfolders as needed
// Exits with 0 on success and 1 with a message on standard error otherwise.
#include "core/files/RPackFile.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

int CompareNames(const RString* a, const RString* b, void*)
{
    return strcmp(a->GetString(), b->GetString());
}

// Appends the relative names of the regular files under folder/prefix, sorted, subfolders walked in place.
bool CollectFiles(const RString& folder, const RString& prefix, RUtilVector<RString>& out)
{
    RString path = folder + "/" + prefix;
    DIR* directory = opendir(path.GetString());
    if (!directory) {
        fprintf(stderr, "rpk: cannot read folder %s: %s\n", path.GetString(), strerror(errno));
        return false;
    }
    RUtilVector<RString> names;
    while (dirent* item = readdir(directory)) {
        if (item->d_name[0] != '.')
            names.push(RString(item->d_name));
    }
    closedir(directory);
    names.sort(CompareNames, nullptr);

    for (const RString& name : names) {
        RString relative = prefix + name;
        RString full = folder + "/" + relative;
        struct stat info;
        if (stat(full.GetString(), &info) != 0) {
            fprintf(stderr, "rpk: cannot read %s: %s\n", full.GetString(), strerror(errno));
            return false;
        }
        if (S_ISDIR(info.st_mode)) {
            if (!CollectFiles(folder, relative + "/", out))
                return false;
        } else if (S_ISREG(info.st_mode)) {
            out.push(relative);
        }
    }
    return true;
}

int CreatePack(const char* packPath, const char* folder)
{
    RUtilVector<RString> names;
    if (!CollectFiles(RString(folder), RString(), names))
        return 1;
    RPackFile pack;
    if (!pack.Create(packPath)) {
        fprintf(stderr, "rpk: cannot create %s\n", packPath);
        return 1;
    }
    for (const RString& name : names) {
        RString full = RString(folder) + "/" + name;
        if (!pack.AddFile(full.GetString(), name.GetString())) {
            fprintf(stderr, "rpk: cannot add %s (unreadable, name of 248 characters or more, or pack too big)\n",
                    full.GetString());
            pack.Abandon();
            return 1;
        }
    }
    if (!pack.Close()) {
        fprintf(stderr, "rpk: cannot write %s\n", packPath);
        return 1;
    }
    return 0;
}

int ListPack(const char* packPath)
{
    RPackFile pack;
    if (!pack.OpenRead(packPath)) {
        fprintf(stderr, "rpk: %s is not a readable pack\n", packPath);
        return 1;
    }
    char* name = nullptr;
    uint32_t size = 0;
    uint32_t index = 0;
    do {
        uint32_t next = pack.GetEntryNameByIndex(index, &name, &size);
        if (name)
            printf("%10u  %s\n", size, name);
        delete[] name;
        index = next;
    } while (index != 0);
    pack.Close();
    return 0;
}

// Makes every folder named in path before its last "/".
void MakeParentFolders(char* path)
{
    for (char* cursor = path + 1; *cursor; ++cursor) {
        if (*cursor == '/') {
            *cursor = 0;
            mkdir(path, 0777);
            *cursor = '/';
        }
    }
}

int ExtractPack(const char* packPath, const char* folder)
{
    RPackFile pack;
    if (!pack.OpenRead(packPath)) {
        fprintf(stderr, "rpk: %s is not a readable pack\n", packPath);
        return 1;
    }
    mkdir(folder, 0777);
    int result = 0;
    char* name = nullptr;
    uint32_t size = 0;
    uint32_t index = 0;
    do {
        uint32_t next = pack.GetEntryNameByIndex(index, &name, &size);
        if (!name)
            break;
        RString path = RString(folder) + "/" + name;
        if (!RPackFile::IsSafeEntryName(name)) {
            fprintf(stderr, "rpk: skipped %s: the name leads outside the folder\n", name);
            result = 1;
        } else {
            char* parents = StringDuplicate(path.GetString());
            MakeParentFolders(parents);
            delete[] parents;
            if (!pack.WriteEntryToFile(index, path.GetString())) {
                fprintf(stderr, "rpk: cannot write %s\n", path.GetString());
                result = 1;
            }
        }
        delete[] name;
        index = next;
    } while (index != 0);
    pack.Close();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "create") == 0)
        return CreatePack(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "list") == 0)
        return ListPack(argv[2]);
    if (argc == 4 && strcmp(argv[1], "extract") == 0)
        return ExtractPack(argv[2], argv[3]);
    fprintf(stderr, "usage: rpk create PACK FOLDER | rpk list PACK | rpk extract PACK FOLDER\n");
    return 1;
}
