// The bindings file of RControlConfig, "ControlBindings.bnd": 32-bit little-endian fields and zero-terminated
// names. The magic "xbnd", the version 3 and the tag "rfml"; then per group its name and action count, per action
// its name and binding count, per binding its kind, source and code (a button) or direction (an axis, IEEE
// single). Names are stored as a length that counts the zero byte, then the bytes.
#include "platform/input/RControlConfig.h"

#include "core/types/RByteOrder.h"
#include "core/files/RFile.h"
#include "core/files/RSafeFileWriter.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

constexpr uint32_t kVersion = 3;
constexpr char kMagic[4] = {'x', 'b', 'n', 'd'};
constexpr char kRefusedMagic[4] = {'.', 'b', 'n', 'd'};
constexpr char kTag[4] = {'r', 'f', 'm', 'l'};
constexpr uint64_t kBindingBytes = 12;
// A bindings file holds a few kilobytes; anything past this is not read.
constexpr uint64_t kMaxFileBytes = 16u << 20;
// Interned names are cut at this length, so file names are compared up to it.
constexpr uint32_t kMaxNameLength = 255;
// Every binding added is checked against every binding of its group, so huge lists would take hours to apply. No
// file the engine writes comes near this many bindings in all; reading stops at the list that would pass it.
constexpr uint32_t kMaxAppliedBindings = 4096;

// Reads the file's fields in order; every read fails once the bytes run out.
class BindingsReader {
public:
    BindingsReader(const uint8_t* bytes, uint64_t size) : m_bytes(bytes), m_size(size) {}

    bool ReadBytes(const uint8_t** out, uint64_t count)
    {
        if (count > m_size - m_at)
            return false;
        *out = m_bytes + m_at;
        m_at += count;
        return true;
    }
    bool ReadU32(uint32_t* value)
    {
        const uint8_t* bytes = nullptr;
        if (!ReadBytes(&bytes, 4))
            return false;
        *value = ReadLE32(bytes);
        return true;
    }
    // A stored name: the bytes up to its first zero within its stored length, cut at kMaxNameLength.
    bool ReadName(char (&name)[kMaxNameLength + 1])
    {
        uint32_t length = 0;
        const uint8_t* bytes = nullptr;
        if (!ReadU32(&length) || !ReadBytes(&bytes, length))
            return false;
        uint32_t kept = 0;
        while (kept < length && kept < kMaxNameLength && bytes[kept] != 0) {
            name[kept] = static_cast<char>(bytes[kept]);
            ++kept;
        }
        name[kept] = 0;
        return true;
    }
    uint64_t Remaining() const { return m_size - m_at; }

private:
    const uint8_t* m_bytes;
    uint64_t m_size;
    uint64_t m_at = 0;
};

void WriteName(RSafeFileWriter& out, RHashedString name)
{
    const char* text = name.GetString();
    if (!text)
        text = "";
    size_t length = strlen(text) + 1;
    out.WriteU32(static_cast<uint32_t>(length));
    out.Write(text, length);
}

// Names in the file match registered names without regard to case, as interning does.
bool NameIs(const char* text, RHashedString name)
{
    const char* registered = name.GetString();
    return registered && strcasecmp(text, registered) == 0;
}

// The whole file, up to kMaxFileBytes; false when it is not a regular file or cannot be read.
bool ReadWholeFile(FILE* file, RUtilVector<uint8_t>& bytes)
{
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return false;
    uint64_t size = static_cast<uint64_t>(info.st_size);
    if (size > kMaxFileBytes)
        size = kMaxFileBytes;
    bytes.setSize(static_cast<uint32_t>(size));
    size_t read = size ? fread(bytes.getData(), 1, static_cast<size_t>(size), file) : 0;
    bytes.setSize(static_cast<uint32_t>(read));
    return true;
}

} // namespace

void RControlConfig::LoadBindings(const char* path)
{
    ClearAllInputs();
    bool present = false;
    FILE* file = RFile::OpenRegular(path, &present);
    RestoreDefaultBindings();
    // Only a first start writes the defaults; a file that exists but cannot be read is never written over.
    if (!file && !present) {
        if (path)
            SaveBindings(path);
        return;
    }
    RUtilVector<uint8_t> bytes;
    const bool read = file && ReadWholeFile(file, bytes);
    if (file)
        fclose(file);
    if (!read) {
        fprintf(stderr, "%s cannot be read: the default controls are used and the file is left as it is\n", path);
        m_unreadablePath = RString(path);
        return;
    }
    ApplyBindingsFile(bytes.getData(), bytes.getCount());
}

void RControlConfig::ApplyBindingsFile(const uint8_t* bytes, uint64_t size)
{
    BindingsReader reader(bytes, size);
    const uint8_t* magic = nullptr;
    const uint8_t* tag = nullptr;
    uint32_t version = 0;
    if (!reader.ReadBytes(&magic, 4) || memcmp(magic, kRefusedMagic, 4) == 0)
        return;
    if (!reader.ReadU32(&version) || version != kVersion)
        return;
    if (!reader.ReadBytes(&tag, 4) || memcmp(tag, kTag, 4) != 0)
        return;
    uint32_t groupCount = 0;
    if (!reader.ReadU32(&groupCount))
        return;
    // Every record takes at least eight bytes, so the loops end with the bytes whatever the counts say.
    uint32_t applied = 0;
    for (uint32_t g = 0; g < groupCount; ++g) {
        char groupName[kMaxNameLength + 1];
        uint32_t actionCount = 0;
        if (!reader.ReadName(groupName) || !reader.ReadU32(&actionCount))
            return;
        RControlGroup* group = nullptr;
        for (RControlGroup* registered : m_groups) {
            if (!group && NameIs(groupName, registered->name))
                group = registered;
        }
        for (uint32_t a = 0; a < actionCount; ++a) {
            char actionName[kMaxNameLength + 1];
            uint32_t bindingCount = 0;
            const uint8_t* records = nullptr;
            if (!reader.ReadName(actionName) || !reader.ReadU32(&bindingCount))
                return;
            // An action is applied only once its whole list was read: a cut file leaves it with its defaults.
            if (bindingCount > reader.Remaining() / kBindingBytes ||
                !reader.ReadBytes(&records, bindingCount * kBindingBytes))
                return;
            RNamedControl* control = nullptr;
            for (uint32_t i = 0; group && i < group->controls.getCount() && !control; ++i) {
                if (NameIs(actionName, group->controls[i]->name))
                    control = group->controls[i];
            }
            if (!control)
                continue;
            if (bindingCount > kMaxAppliedBindings - applied)
                return;
            applied += bindingCount;
            control->inputs.clear();
            for (uint32_t b = 0; b < bindingCount; ++b) {
                const uint8_t* record = records + b * kBindingBytes;
                RDefinedInput input;
                input.kind = ReadLE32(record);
                input.source = ReadLE32(record + 4);
                input.code = ReadLE32(record + 8);
                AddDefinedInput(group->name, control->name, input);
            }
        }
    }
}

bool RControlConfig::SaveBindings(const char* path) const
{
    if (path && m_unreadablePath.Equals(path))
        return true;
    RSafeFileWriter writer;
    if (!writer.Open(path))
        return false;
    writer.Write(kMagic, 4);
    writer.WriteU32(kVersion);
    writer.Write(kTag, 4);
    writer.WriteU32(m_groups.getCount());
    for (const RControlGroup* group : m_groups) {
        WriteName(writer, group->name);
        writer.WriteU32(group->controls.getCount());
        for (const RNamedControl* control : group->controls) {
            WriteName(writer, control->name);
            writer.WriteU32(control->inputs.getCount());
            for (const RDefinedInput& input : control->inputs) {
                writer.WriteU32(input.kind);
                writer.WriteU32(input.source);
                writer.WriteU32(input.code);
            }
        }
    }
    return writer.Commit();
}
