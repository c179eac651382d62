// Writes the fuzz targets' first inputs into FOLDER/<target>/: files made by the engine's own writers, the
// entries of the packs given (sorted to the targets by their names), and a few texts. Usage:
// fuzz_seeds FOLDER [PACK...]
#include "core/config/RConfigFile.h"
#include "core/text/RDefFile.h"
#include "core/text/RINIFile.h"
#include "core/files/RPackFile.h"
#include "core/text/RXMLFile.h"
#include "game/SaveGame.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RDefaultBindings.h"
#include "render/geometry/RM3DData.h"
#include "render/images/RImage.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::string g_folder;

std::string Seed(const char* target, const std::string& name)
{
    const std::string folder = g_folder + "/" + target;
    mkdir(folder.c_str(), 0755);
    return folder + "/" + name;
}

void WriteSeed(const char* target, const std::string& name, const void* bytes, size_t size)
{
    FILE* file = fopen(Seed(target, name).c_str(), "wb");
    if (file) {
        fwrite(bytes, 1, size, file);
        fclose(file);
    }
}

void WriteText(const char* target, const std::string& name, const char* text)
{
    WriteSeed(target, name, text, strlen(text));
}

bool EndsWith(const std::string& text, const char* end)
{
    const size_t length = strlen(end);
    return text.size() >= length && text.compare(text.size() - length, length, end) == 0;
}

// Each entry goes to every target that reads files of its kind.
void SortPackEntries(const char* packPath)
{
    RPackFile pack;
    if (!pack.OpenRead(packPath))
        return;
    for (uint32_t i = 0;; ++i) {
        char* nameText = nullptr;
        uint32_t size = 0;
        if (pack.GetEntryNameByIndex(i, &nameText, &size) == 0 || !nameText) {
            delete[] nameText;
            break;
        }
        std::string name = nameText;
        delete[] nameText;
        char* bytes = nullptr;
        if (!pack.ReadEntry(name.c_str(), &bytes, &size))
            continue;
        const char* targets[3] = {};
        if (EndsWith(name, "_GLSL.xml"))
            targets[0] = "fuzz_effect", targets[1] = "fuzz_xml";
        else if (EndsWith(name, "_State.ini"))
            targets[0] = "fuzz_states", targets[1] = "fuzz_ini";
        else if (EndsWith(name, "_Rooms.xml"))
            targets[0] = "fuzz_rooms", targets[1] = "fuzz_xml";
        else if (EndsWith(name, "Tilesets.xml"))
            targets[0] = "fuzz_tilesets", targets[1] = "fuzz_xml";
        else if (EndsWith(name, "Entities.xml"))
            targets[0] = "fuzz_entities", targets[1] = "fuzz_xml";
        else if (EndsWith(name, ".xml"))
            targets[0] = "fuzz_xml";
        else if (EndsWith(name, ".ini"))
            targets[0] = "fuzz_ini", targets[1] = "fuzz_config";
        else if (EndsWith(name, ".gam"))
            targets[0] = "fuzz_campaign", targets[1] = "fuzz_ini";
        else if (EndsWith(name, ".map"))
            targets[0] = "fuzz_map", targets[1] = "fuzz_ini";
        else if (EndsWith(name, ".txt"))
            targets[0] = "fuzz_localization", targets[1] = "fuzz_ini";
        else if (EndsWith(name, ".uv"))
            targets[0] = "fuzz_uv";
        else if (EndsWith(name, ".dds"))
            targets[0] = "fuzz_dds";
        else if (EndsWith(name, ".m3d"))
            targets[0] = "fuzz_mesh";
        else if (EndsWith(name, ".wav"))
            targets[0] = "fuzz_wave";
        else if (EndsWith(name, ".rdd"))
            targets[0] = "fuzz_deffile";
        else if (EndsWith(name, ".bmp"))
            targets[0] = "fuzz_image_bmp";
        else if (EndsWith(name, ".tga"))
            targets[0] = "fuzz_image_tga";
        else if (EndsWith(name, ".png"))
            targets[0] = "fuzz_image_png";
        std::string seedName = name;
        for (char& c : seedName) {
            if (c == '/')
                c = '_';
        }
        // Large entries make slow seeds; the fuzzer starts from the smaller ones.
        for (const char* target : targets) {
            if (target && size <= (1u << 20))
                WriteSeed(target, seedName, bytes, size);
        }
        delete[] bytes;
    }
}

void WritePack()
{
    RPackFile pack;
    if (!pack.Create(Seed("fuzz_pack", "two-entries.rpk").c_str()))
        return;
    pack.AddBuffer("Version.ini", "[Version]\r\nVersion: 1\r\n", 22);
    pack.AddBuffer("Sub/Empty.txt", "", 0);
    pack.Close();
}

void WriteConfig()
{
    int32_t number = 0, ranged = 0;
    float fraction = 0.0f;
    bool flag = false;
    RHashedString name;
    RColor colour = {};
    RConfigFile config;
    config.RegisterInt(RHashedString("Video"), RHashedString("Tate"), &number, 3, nullptr);
    config.RegisterInt(RHashedString("Engine"), RHashedString("MinGameFPS"), &ranged, 15, nullptr, 0, 1000);
    config.RegisterFloat(RHashedString("Engine"), RHashedString("DeadlockCheckTime"), &fraction, nullptr, 10.0f, 0.1f,
                         600.0f);
    config.RegisterBool(RHashedString("Video"), RHashedString("Fullscreen"), &flag, true, nullptr);
    config.RegisterString(RHashedString(), RHashedString("Language"), &name, RHashedString("Porvin"), nullptr);
    config.RegisterColor(RHashedString("Video"), RHashedString("Tint"), &colour, nullptr, 1.0f, 0.5f, 0.25f, 1.0f);
    config.Save(Seed("fuzz_config", "Config.ini").c_str());
    WriteText("fuzz_config", "unknown.ini",
              "[Engine]\r\nMinGameFPS: 100000\r\nDeadlockCheckTime: nan\r\nKept: value\r\n\r\n[Mine]\r\nA: 1\r\n");
}

void WriteBindings()
{
    RControlConfig* config = RControlConfig::GetInstance();
    config->AddGroup(RHashedString("Menus"), false, false, true, false);
    config->AddGroup(RHashedString("Gameplay"), true, true, false, false);
    for (const char* action : {"NavUp", "NavDown", "Accept", "Cancel"})
        config->AddControl(RHashedString("Menus"), RHashedString(action), false);
    for (const char* action : {"MoveLeft", "MoveRight", "Jump", "JumpDown"})
        config->AddControl(RHashedString("Gameplay"), RHashedString(action), false);
    AddEngineDefaultBindings(*config);
    AddGameplayDefaultBindings(*config);
    config->SaveBindings(Seed("fuzz_bindings", "ControlBindings.bnd").c_str());
    RControlConfig::DestroyInstance();
}

void WriteDefinitions()
{
    RDefFile definitions;
    definitions.name = RHashedString("Root");
    RDefFileNode child;
    child.name = RHashedString("Child");
    child.attributes[RHashedString("Speed")] = RString("1.5");
    RDefFileNode grandchild;
    grandchild.name = RHashedString("Leaf");
    child.children.push(grandchild);
    definitions.children.push(child);
    definitions.SaveBinary(Seed("fuzz_deffile", "tree.rdd").c_str());
}

void WriteMesh()
{
    // One triangle with positions, colours and texture coordinates, asking for tangents.
    RM3DData record;
    record.header.streamCount = 3;
    record.header.vertexCount = 3;
    record.header.indexCount = 3;
    record.tangentFlag = 1;
    record.indexSize = RM3DData::kIndexSize;
    record.indexData = new uint16_t[3]{0, 1, 2};
    const uint32_t usages[3] = {STREAM_POSITION, STREAM_COLOR, STREAM_TEXCOORD0};
    for (uint32_t usage : usages) {
        RM3DVertexStreamInfo stream;
        stream.usage = usage;
        stream.size = StreamUsageByteSize(static_cast<StreamUsage>(usage));
        stream.data = new uint8_t[3 * stream.size];
        for (uint32_t b = 0; b < 3 * stream.size; ++b)
            stream.data[b] = (uint8_t)(b * 37);
        record.streams.push(stream);
    }
    RM3DData::Write(Seed("fuzz_mesh", "triangle.m3d").c_str(), record);
}

void WriteImages()
{
    RImage image;
    if (!image.Create(5, 3, 4))
        return;
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x)
            image.SetPixel(x, y, 0xFF000000u | (uint32_t)(x * 50) << 16 | (uint32_t)(y * 80) << 8 | 0x40);
    }
    image.SaveBMP(Seed("fuzz_image_bmp", "saved.bmp").c_str());
    image.Save555(Seed("fuzz_image_555", "saved.555").c_str());
}

// Writes bytes as a saved game of the fuzz target, their last four made the checksum of the payload after the
// 12-byte header.
void WriteSealedSave(const char* name, std::vector<uint8_t> bytes)
{
    uint32_t hash = 2166136261u;  // FNV-1a
    for (size_t i = 12; i + 4 < bytes.size(); ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - 4 + i] = static_cast<uint8_t>(hash >> (8 * i));
    WriteSeed("fuzz_savegame", name, bytes.data(), bytes.size());
}

void WriteSaveGame()
{
    SaveGame save;
    snprintf(save.campaign, sizeof(save.campaign), "Wendro.gam");
    snprintf(save.room, sizeof(save.room), "Hall");
    save.x = 40;
    save.y = 176;
    save.powers = 3;
    save.magentaSolid = 0;
    save.treasures = 0x15;
    save.deaths = 7;
    save.roomsVisited = 4;
    save.playSeconds = 321.5f;
    save.difficulty = 2;
    for (const char* room : {"Gate", "Hall", "Cistern"})
        snprintf(save.enteredRooms[save.enteredRoomCount++], sizeof(save.enteredRooms[0]), "%s", room);
    save.Write(Seed("fuzz_savegame", "Autosave.wsg").c_str());

    // The first version's layout, which later versions still read: the same record with no list of rooms entered
    // after it (version 1, a payload of 100 bytes), closed by the checksum of the payload.
    save.enteredRoomCount = 0;
    const std::string path = Seed("fuzz_savegame", "first_version.wsg");
    std::vector<uint8_t> bytes(12 + 100 + 4);
    FILE* file = save.Write(path.c_str()) ? fopen(path.c_str(), "rb") : nullptr;
    const bool read = file && fread(bytes.data(), 1, 112, file) == 112;
    if (file)
        fclose(file);
    if (!read)
        return;
    bytes[4] = 1;
    bytes[8] = 100;
    WriteSealedSave("first_version.wsg", bytes);

    // This version with a list of one room more than a map holds, whole and sealed: larger than any save read.
    const uint32_t count = WorldMap::kMaxRooms + 1;
    bytes.resize(12 + 100 + 4 + count * 32 + 4);
    bytes[4] = SaveGame::kVersion;
    const uint32_t payload = 100 + 4 + count * 32;
    for (int i = 0; i < 4; ++i) {
        bytes[8 + i] = static_cast<uint8_t>(payload >> (8 * i));
        bytes[112 + i] = static_cast<uint8_t>(count >> (8 * i));
    }
    for (uint32_t i = 0; i < count; ++i)
        snprintf(reinterpret_cast<char*>(bytes.data()) + 116 + 32 * i, 32, "Room%u", i);
    WriteSealedSave("more_rooms_than_a_map.wsg", bytes);
}

void WriteTexts()
{
    WriteText("fuzz_music", "scale.txt", "T120 L8 O4 C D E F G A B > C");
    WriteText("fuzz_music", "tempo.txt", "T255 64C D E F G MS L4 P4 A#8. B-16 N57");
    WriteText("fuzz_lexer", "expression.txt", "a = b + c * (d - 1.5) >= \"text\" && !flag; // note");
    WriteText("fuzz_xml", "nested.xml", "<Root a=\"1\"><Child name=\"x\">text<Leaf/></Child></Root>");
    WriteText("fuzz_ini", "sections.ini", "key: top\r\n[Section]\r\nA = 1\r\nB: two ; note\r\n[Other]\r\nC:3\r\n");
    WriteText("fuzz_localization", "Startup.txt", "[Strings]\r\nTitle: Start\r\nQuit: Leave\r\n");
    WriteText("fuzz_states", "blend.ini",
              "[RenderStates]\r\nAlphaBlendEnable = True\r\nSrcBlend = SrcAlpha\r\nDestBlend = InvSrcAlpha\r\n"
              "CullMode = CW\r\nZFunc = LessEqual\r\nAlphaFunc = Greater\r\nAlphaRef = 128\r\n\r\n"
              "[Uniforms]\r\ntex = texture,1,material\r\n\r\n[Attributes]\r\ninPosition = POSITION\r\n"
              "inTex = TEXCOORD0\r\n\r\n[tex]\r\nAddressU = Border\r\nAddressV = Wrap\r\nMinFilter = Linear\r\n"
              "MipFilter = Point\r\nBorderColor = 0xFF00FF00\r\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: fuzz_seeds FOLDER [PACK...]\n");
        return 2;
    }
    g_folder = argv[1];
    mkdir(g_folder.c_str(), 0755);
    WritePack();
    WriteConfig();
    WriteBindings();
    WriteDefinitions();
    WriteMesh();
    WriteImages();
    WriteSaveGame();
    WriteTexts();
    for (int i = 2; i < argc; ++i) {
        SortPackEntries(argv[i]);
        FILE* pack = fopen(argv[i], "rb");
        if (pack) {
            fclose(pack);
            struct stat info;
            if (stat(argv[i], &info) == 0 && info.st_size <= (1 << 20)) {
                std::string name = argv[i];
                name = name.substr(name.find_last_of('/') + 1);
                std::string bytes(static_cast<size_t>(info.st_size), '\0');
                FILE* in = fopen(argv[i], "rb");
                if (in) {
                    bytes.resize(fread(&bytes[0], 1, bytes.size(), in));
                    fclose(in);
                    WriteSeed("fuzz_pack", name, bytes.data(), bytes.size());
                }
            }
        }
    }
    return 0;
}
