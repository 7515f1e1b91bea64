#include "scenesdk/fileio/KScnReader.h"

#include "scenesdk/fileio/KScn.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnTexture.h"

namespace scenesdk
{

KScnReader::KScnReader() : mError(KScn::GetErrorTable(), eErrorCount) {}

KScnReader::~KScnReader() = default;

KScnReadObjects KScnReader::TakeObjects()
{
    return std::move(mObjects);
}

KScnReadObjects::KScnReadObjects() = default;
KScnReadObjects::~KScnReadObjects()
{
    attributes.clear();
}
KScnReadObjects::KScnReadObjects(KScnReadObjects&&) noexcept = default;
KScnReadObjects& KScnReadObjects::operator=(KScnReadObjects&&) noexcept = default;

void KScnReadObjects::Append(KScnReadObjects&& other)
{
    for (auto& m : other.materials)
        materials.push_back(std::move(m));
    for (auto& t : other.textures)
        textures.push_back(std::move(t));
    for (auto& a : other.attributes)
        attributes.push_back(std::move(a));
    other.materials.clear();
    other.textures.clear();
    other.attributes.clear();
}

} // namespace scenesdk
