// The start-up check of what the level set-up will read: a setting or file
// that would fail a level's set-up ends the start-up instead, with a message
// that names the key and its line.

#include "app/CSettings.h"
#include "app/Log.h"
#include "game/CEnvironment.h"
#include "game/CForest.h"
#include "game/CGameCtrl.h"
#include "game/CNewLevelState.h"
#include "game/CPostLevelState.h"
#include "platform/sys/PathResolver.h"
#include "render/CSCNLoader.h"
#include "render/CTerrainBuilder.h"
#include "render/CTextureLoader.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace
{

std::string WorkingFolder()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string(".") : folder.string();
}

bool IsFolder(const std::string& name)
{
    std::error_code error;
    return std::filesystem::is_directory(plat::ResolvePath(name), error);
}

// A regular file (found as the game finds its files) that opens for reading.
bool CanRead(const std::string& name)
{
    const std::string path = plat::ResolvePath(name);
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && std::ifstream(path, std::ios::binary).is_open();
}

bool CanLoadImage(const std::string& name)
{
    CRefPtr<CImage> image(new CImage);
    CTextureLoader loader;
    return loader.LoadImage(name, image) && image->HasPixels();
}

// The file a key names is not there or does not load.
bool FileFault(const std::string& section, const std::string& key, const std::string& file, bool image,
               SSettingsFault& fault)
{
    fault.Set(section, key,
              std::string(image ? "a TGA image that can be read" : "a file that can be read") + "; \"" +
                  file + "\" cannot be read in the working folder \"" + WorkingFolder() + "\"",
              "");
    return false;
}

// The file a key names must be there: a model that can be read, or an image
// that loads.
bool CheckFile(const std::string& section, const std::string& key, const std::string& file, bool image,
               SSettingsFault& fault)
{
    return (image ? CanLoadImage(file) : CanRead(file)) || FileFault(section, key, file, image, fault);
}

// A model file must also be of a kind the importer reads for its name (told
// from its first bytes: nothing is imported twice).
bool CheckModel(const std::string& section, const std::string& key, const std::string& file,
                SSettingsFault& fault)
{
    if (!CheckFile(section, key, file, false, fault))
        return false;
    std::string kind;
    if (CSCNLoader::IsModelFile(file, kind))
        return true;
    fault.Set(section, key, kind + " that the model importer reads; \"" + file + "\" is not one", "");
    return false;
}

bool CheckTerrain(const std::string& section, SSettingsFault& fault)
{
    CTerrainBuilder::STerrainSettings keys;
    CRefPtr<CTextureProperties> heightmap;
    CTextureLoader loader;
    if (!CTerrainBuilder::ReadSettings(section, &loader, keys, heightmap, fault))
        return false;
    return CheckFile(section, "TerrainTexture1", keys.texture1, true, fault) &&
           CheckFile(section, "TerrainTexture2", keys.texture2, true, fault);
}

bool CheckForest(const std::string& section, SSettingsFault& fault)
{
    CForest::SForestSettings forest;
    if (!CForest::ReadSettings(section, forest, fault))
        return false;
    CRefPtr<CImage> plantMap;
    if (!CForest::LoadPlantMap(forest.treemap, plantMap))
        return FileFault(section, "Treemap", forest.treemap, true, fault);
    for (size_t i = 0; i < forest.models.size(); ++i)
        if (!CheckModel(section, "TreeModel" + std::to_string(i + 1), forest.models[i], fault))
            return false;
    return true;
}

bool CheckSky(const std::string& section, SSettingsFault& fault)
{
    CEnvironment::SSkySettings sky;
    if (!CEnvironment::ReadSkySettings(section, sky, fault) ||
        !CheckModel(section, "EnvironmentModel", sky.model, fault))
        return false;
    for (size_t i = 0; i < sky.textures.size(); ++i)
        if (!CheckFile(section, sky.textureKeys[i], sky.textures[i], true, fault))
            return false;
    return true;
}

} // namespace

void CGameCtrl::ReportStartUpFault(const SSettingsFault& fault)
{
    CSettings* settings = CSettings::GetInstance();
    const std::string where =
        settings ? settings->DescribeFault(fault) : "settings.ini: [" + fault.section + "] " + fault.key;
    Log(9, "Error: %s; the game does not start", where.c_str());
}

bool CGameCtrl::CheckDataFolder()
{
    if (IsFolder("Data"))
        return true;
    Log(9,
        "Error: No \"Data\" folder in the working folder \"%s\": start the game in the folder that holds "
        "\"Data\" and \"settings.ini\"; the game does not start",
        WorkingFolder().c_str());
    return false;
}

bool CGameCtrl::CheckLevelSetUp()
{
    SSettingsFault fault;
    CVector3 sunDirection;
    float diffuse[4], ambient[4];
    bool ok = CheckTerrain(CNewLevelState::kWorldSection, fault) &&
              CheckForest(CNewLevelState::kWorldSection, fault) &&
              CEnvironment::ReadSunSettings(sunDirection, diffuse, ambient, fault);
    const unsigned levels = m_pPostLevelState ? m_pPostLevelState->GetNumLevels() : 1u;
    for (unsigned level = 1; ok && level <= (levels > 0 ? levels : 1u); ++level)
        ok = CheckSky("Level" + std::to_string(level), fault);
    if (!ok)
        ReportStartUpFault(fault);
    return ok;
}
