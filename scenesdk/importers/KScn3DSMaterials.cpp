#include "scenesdk/importers/KScn3DSMaterials.h"

#include "scenesdk/importers/KScn3DSData.h"
#include "scenesdk/importers/KScnForeignReader.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KStreamOptions3DS.h"
#include "scenesdk/importers/KTextTokens.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <dirent.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace scenesdk
{

namespace
{

constexpr uint16_t kNoTiling = 0x10;
constexpr int kBumpUse = 5; // SetTextureUse's code of a bump map

void MarkTwoSided(KScnMaterial& material)
{
    KScnPropertyHandler* handler = material.GetPropertyHandler();
    KDataType* type = KDataType::FindByName("Bool");
    KProperty* property = handler != nullptr && type != nullptr
                              ? handler->CreateDynamicProperty("TwoSided", KDataType::ToTypeCode(type), type,
                                                               false, false, nullptr, true)
                              : nullptr;
    if (property != nullptr)
        property->SetInt(1);
}

} // namespace

KScn3DSMaterials::KScn3DSMaterials(KScnImportBuilder& builder, const KStreamOptions3DS& options,
                                   const std::string& folder, std::vector<std::string>& warnings)
    : mBuilder(builder), mOptions(options), mFolder(folder), mWarnings(warnings)
{
}

void KScn3DSMaterials::Make(const std::vector<KScn3DSMaterial>& materials)
{
    if (!mOptions.ReadsMaterials())
        return;
    for (const KScn3DSMaterial& m : materials)
    {
        if (mByName.count(m.mName) != 0)
        {
            mWarnings.push_back("material defined twice, first kept: " + m.mName);
            continue;
        }
        KScnMaterial* material = mBuilder.CreateMaterial(m.mName.c_str());
        if (material == nullptr)
            continue;
        material->SetDefaultAmbient(m.mAmbient[0], m.mAmbient[1], m.mAmbient[2]);
        material->SetDefaultDiffuse(m.mDiffuse[0], m.mDiffuse[1], m.mDiffuse[2]);
        material->SetDefaultSpecular(m.mSpecular[0], m.mSpecular[1], m.mSpecular[2]);
        material->SetDefaultShininess(std::min(std::max(m.mShininess, 0.0), 1.0));
        material->SetDefaultOpacity(1.0 - std::min(std::max(m.mTransparency, 0.0), 1.0));
        material->SetShadingModel(m.mShading == 1 || m.mShading == 2 ? "Lambert" : "Phong");
        if (m.mTwoSided)
            MarkTwoSided(*material);
        mByName.emplace(m.mName, GetCount());
        mMaterials.push_back(material);
        mDiffuse.push_back(MakeTexture(m.mMaps[KScn3DSMaterial::eDiffuseMap], KScn3DSMaterial::eDiffuseMap));
        for (int kind = KScn3DSMaterial::eBumpMap; kind < KScn3DSMaterial::eMapCount; ++kind)
            MakeTexture(m.mMaps[kind], kind);
    }
}

int KScn3DSMaterials::GetDefault()
{
    // A material of the file may bear the name.
    const auto named = mByName.find("default");
    if (mDefault < 0 && named != mByName.end())
        mDefault = named->second;
    if (mDefault < 0)
    {
        KScnMaterial* material = mBuilder.CreateMaterial("default");
        material->SetDefaultDiffuse(0.8, 0.8, 0.8);
        material->SetShadingModel("Lambert");
        mDefault = GetCount();
        mMaterials.push_back(material);
        mDiffuse.push_back(nullptr);
    }
    return mDefault;
}

int KScn3DSMaterials::Find(const std::string& name)
{
    const auto found = mByName.find(name);
    if (found != mByName.end())
        return found->second;
    if (mOptions.ReadsMaterials() && mUnknown.insert(name).second)
        mWarnings.push_back("unknown material: " + name);
    return GetDefault();
}

std::string KScn3DSMaterials::UniqueTextureName(const std::string& name)
{
    int& uses = mTextureNames[name];
    if (uses++ == 0)
        return name;
    for (;;)
    {
        const std::string candidate = name + "_" + std::to_string(uses++);
        if (mTextureNames.emplace(candidate, 1).second)
            return candidate;
    }
}

KScnTexture* KScn3DSMaterials::MakeTexture(const KScn3DSMap& map, int kind)
{
    if (map.mFile.empty() || !mOptions.ReadsTextures())
        return nullptr;
    std::string path, relative;
    if (!Resolve(map.mFile, path, relative))
    {
        mWarnings.push_back("texture without a file name skipped: " + map.mFile);
        return nullptr;
    }
    const bool clamp = (map.mTiling & kNoTiling) != 0;
    const std::string key = std::to_string(kind) + "|" + path + "|" + std::to_string(map.mOffset[0]) + "," +
                            std::to_string(map.mOffset[1]) + "," + std::to_string(map.mScale[0]) + "," +
                            std::to_string(map.mScale[1]) + "," + std::to_string(map.mRotation) +
                            (clamp ? "c" : "");
    const auto found = mTextures.find(key);
    if (found != mTextures.end())
        return found->second;
    KScnTexture* texture = mBuilder.CreateTexture(UniqueTextureName(relative).c_str());
    if (texture == nullptr)
        return nullptr;
    texture->SetFileName(path.c_str());
    texture->SetRelativeFileName(relative.c_str());
    texture->SetTextureUse(kind == KScn3DSMaterial::eBumpMap ? kBumpUse : 0);
    texture->SetTranslation(map.mOffset[0], map.mOffset[1]);
    texture->SetScale(map.mScale[0], map.mScale[1]);
    texture->SetRotation(0.0, 0.0, map.mRotation);
    texture->SetUVTranslation(KgeUVVector(map.mOffset[0], map.mOffset[1]));
    texture->SetUVScaling(KgeUVVector(map.mScale[0], map.mScale[1]));
    if (clamp)
        texture->SetWrapMode(eWrapClamp, eWrapClamp);
    mTextures.emplace(key, texture);
    return texture;
}

bool KScn3DSMaterials::Resolve(const std::string& file, std::string& path, std::string& relative)
{
    relative = file;
    for (char& c : relative)
        c = c == '\\' ? '/' : c;
    if (!KScnForeignReader::StaysInFolder(relative.c_str()))
    {
        if (!mOptions.mStayInModelFolder)
        {
            const bool absolute = relative[0] == '/' || (relative.size() > 1 && relative[1] == ':');
            path = absolute ? relative : mFolder + relative;
            return true;
        }
        mWarnings.push_back("texture outside the model's folder looked for beside it: " + file);
        relative = relative.substr(relative.find_last_of("/:") + 1);
    }
    if (relative.empty() || relative.back() == '/')
        return false;
    // Each part of the name as it is spelt, else as the folder spells it.
    std::string found = mFolder;
    size_t start = 0;
    while (start <= relative.size())
    {
        const size_t end = std::min(relative.find('/', start), relative.size());
        const std::string part = relative.substr(start, end - start);
        std::error_code ec;
        if (!part.empty() && !std::filesystem::exists(found + part, ec))
        {
            const std::string spelt = FindInFolder(found, part);
            found += spelt.empty() ? part : spelt;
        }
        else
            found += part;
        if (end < relative.size())
            found += '/';
        start = end + 1;
    }
    path = found;
    relative = found.substr(mFolder.size());
    return true;
}

std::string KScn3DSMaterials::FindInFolder(const std::string& folder, const std::string& name)
{
    auto listing = mListings.find(folder);
    if (listing == mListings.end())
    {
        listing = mListings.emplace(folder, std::unordered_map<std::string, std::string>()).first;
        // Read with the system's own calls: the standard library's folder
        // iteration allocates inside functions that cannot throw, so memory
        // running out there ends the program; here std::bad_alloc reaches
        // the reader's catch (the folder closed on the way). A folder that
        // cannot be listed has no entries.
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                                      &::closedir);
        while (const dirent* e = dir != nullptr ? ::readdir(dir.get()) : nullptr)
        {
            const std::string entry = e->d_name;
            if (entry != "." && entry != "..")
            {
                listing->second.emplace(KTextTokens::Lower(entry), entry);
            }
        }
    }
    const auto found = listing->second.find(KTextTokens::Lower(name));
    return found != listing->second.end() ? found->second : std::string();
}

} // namespace scenesdk
