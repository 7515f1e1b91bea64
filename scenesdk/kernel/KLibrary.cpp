#include "scenesdk/kernel/KLibrary.h"

#include "scenesdk/kernel/KClassIdRecord.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KMemoryReusePool.h"
#include "scenesdk/kernel/KScnObjectManager.h"
#include "scenesdk/kernel/KWorld.h"

namespace scenesdk
{

namespace
{
int gLibraryUsers = 0;

// The default pool: blocks below 128 KB, size classes of 4 bytes, no
// alignment beyond the heap's, no cache limit.
constexpr uint32_t kDefaultPoolMaximum = 0x20000;
constexpr int kDefaultPoolShift = 2;
} // namespace

bool KLibraryStart()
{
    // Properties find their default data type through a resolver that the
    // data types install. The static initialiser of KDataType.cpp only runs
    // when that object file is linked in; this reference makes sure it is, and
    // installs the resolver even if something replaced it.
    KDataType::InstallPropertyResolver();
    if (gLibraryUsers == 0)
    {
        KClassIdRecord::StartRegistry();
        KMemoryPoolRegistryCreate();
        KMemoryPoolRegistryAdd(kDefaultPoolMaximum, kDefaultPoolShift, 0, 0);
        KSetGlobalWorld(new KWorld);
    }
    ++gLibraryUsers;
    return true;
}

void KLibraryStop()
{
    if (gLibraryUsers == 0)
    {
        return;
    }
    if (--gLibraryUsers > 0)
    {
        return;
    }
    kLibraryBaseProxy::ReleaseExitProxies();
    KWorld* world = KGetGlobalWorld();
    KSetGlobalWorld(nullptr);
    delete world;
    KMemoryPoolRegistryPurgeAll();
    KMemoryPoolRegistryDestroy();
    KClassIdRecord::StopRegistry();
}

int KLibraryUserCount()
{
    return gLibraryUsers;
}

} // namespace scenesdk
