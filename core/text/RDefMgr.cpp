#include "core/text/RDefMgr.h"

RDefMgr* RDefMgr::s_instance = nullptr;

RDefMgr* RDefMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RDefMgr;
    return s_instance;
}

void RDefMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RDefFile* RDefMgr::GetDefFile(const RHashedString& name)
{
    RUtilMap<RDefFile, RHashedString>::Node* loaded = m_files.find(name);
    if (loaded)
        return &loaded->value;
    RDefFile& file = m_files[name];
    file.LoadBinary(name.GetString());
    return &file;
}
