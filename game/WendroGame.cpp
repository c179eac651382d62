#include "game/WendroGame.h"

#include "core/RStreamMgr.h"

bool WendroGame::InitEngine()
{
    if (!RBaseGame::InitEngine())
        return false;

    AddUserSearchPath("Maps/");
    AddUserSearchPath("Saves/");
    RStreamMgr* streams = RStreamMgr::GetInstance();
    streams->MountPack("Wendro.rpk");
    streams->MountPack("WendroHeavy.rpk");
    streams->MountPack("WendroVersion.rpk");
    return true;
}
