// INI text: the line parser on its own, then the document written, read back and written twice more: once the
// writer has put a document in its own form, reading and writing it again keeps every section, key and value.
#include "FuzzSupport.h"
#include "core/text/RINIFile.h"
#include "core/text/RINIParser.h"

#include <cstring>

namespace {

void Count(const char* section, const char* key, const char* value, void* user)
{
    ++*static_cast<size_t*>(user);
}

// Names the format can hold: a section name or key with a bracket, a separator or a comment mark reads back as
// something else, as the writer does not escape them.
bool Writable(RHashedString name)
{
    const char* text = name.GetString();
    return text && !strpbrk(text, "[]:=;");
}

// Every value of a under writable names, found under the same names in b.
bool Contained(RINIFile& a, RINIFile& b)
{
    for (RUtilMapIter<RINIFile::Section, RHashedString> s(a.GetSections()); s.isValid(); s.next()) {
        if (!s.getKey().IsEmpty() && !Writable(s.getKey()))
            continue;
        for (RUtilMapIter<RString, RHashedString> k(s.getValue()); k.isValid(); k.next()) {
            if (!Writable(k.getKey()))
                continue;
            RString other;
            if (!b.GetValue(s.getKey(), k.getKey(), other) || !(other == k.getValue()))
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    size_t lines = 0;
    RINIParser parser;
    parser.Parse(text, (uint32_t)size, Count, &lines);

    RINIFile document;
    document.LoadFromMemory(text, (uint32_t)size);
    const std::string path = FuzzFolder() + "output.ini";
    if (document.Save(path.c_str()) != 0)
        return 0;
    RINIFile second;
    second.Load(path.c_str(), true);
    FUZZ_CHECK(second.Save(path.c_str()) == 0);
    RINIFile third;
    third.Load(path.c_str(), true);
    FUZZ_CHECK(Contained(second, third));
    FUZZ_CHECK(Contained(third, second));
    return 0;
}
