#include "tools/datagen/CDataGenerator.h"

#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

CDataGenerator::CDataGenerator(std::string dataDir, std::string sourceDataDir)
    : m_DataDir(std::move(dataDir)), m_SourceDataDir(std::move(sourceDataDir))
{
}

std::vector<std::string> CDataGenerator::ImageFiles()
{
    std::vector<std::string> files = {
        // GUI
        "mainbg.tga", "endbg.tga", "wonbg.tga", "buttonTex.tga", "windows.tga", "button_citizen1.tga",
        "button_citizen2.tga", "button_market.tga", "button_church.tga", "button_toilet.tga",
        "button_tower.tga",
        // terrain (settings "GAME")
        "terrain/heightmap.tga", "terrain/grass.tga", "terrain/detail.tga", "terrain/treemap.tga",
        // sky (settings "Level%u")
        "environment/sky.tga", "environment/skydome.tga", "environment/sky_posX.tga",
        "environment/sky_negX.tga", "environment/sky_posY.tga", "environment/sky_negY.tga",
        "environment/sky_posZ.tga", "environment/sky_negZ.tga",
        // model textures
        "textures/plaster.tga", "textures/timber.tga", "textures/roof.tga", "textures/stone.tga",
        "textures/bronze.tga", "textures/bark.tga", "textures/leaves.tga", "textures/pine.tga",
        "textures/birch.tga", "textures/feathers.tga", "textures/beak.tga", "textures/arrow.tga",
        "textures/dropping.tga", "textures/planks.tga", "textures/cloth.tga", "textures/window.tga",
        "textures/rubble.tga",
        // normal map of the bump shader
        "shader/stoneNormal.tga"};
    for (int level = 1; level <= kLevels; ++level)
    {
        files.push_back("loadingscreens/Level" + std::to_string(level) + ".tga");
    }
    return files;
}

std::vector<std::string> CDataGenerator::ModelFiles()
{
    return {"models/bird.scn",
            "models/pfeil.scn",
            "models/shit.scn",
            "models/startpodest.scn",
            "models/tree1.scn",
            "models/tree2.scn",
            "models/tree3.scn",
            "models/buildings/haus1.scn",
            "models/buildings/haus2.scn",
            "models/buildings/kirche.scn",
            "models/buildings/klo.scn",
            "models/buildings/marktstand.scn",
            "models/buildings/statue.scn",
            "models/buildings/tower.scn",
            "models/buildings/destroyed.scn",
            "environment/envSphere.scn"};
}

std::vector<std::string> CDataGenerator::WavFiles()
{
    return {"sounds/button_rollover.wav", "sounds/button_select.wav"};
}

std::vector<std::string> CDataGenerator::Mp3Files()
{
    return {"sounds/bg_build.mp3", "sounds/bg_battle.mp3", "sounds/build.mp3",     "sounds/nobuild.mp3",
            "sounds/bowshot.mp3",  "sounds/jump.mp3",      "sounds/bird_death.mp3"};
}

std::string CDataGenerator::Path(const std::string& relative) const
{
    return (fs::path(m_DataDir) / relative).string();
}

void CDataGenerator::Note(const std::string& line)
{
    m_Notes.push_back(line);
    std::cerr << line << "\n";
}

void CDataGenerator::Fail(const std::string& line)
{
    m_Ok = false;
    Note("Error: " + line);
}

bool CDataGenerator::MakeFolders()
{
    for (const char* sub : {"", "models", "models/buildings", "environment", "terrain", "textures", "shader",
                            "sounds", "loadingscreens"})
    {
        std::error_code ec;
        fs::create_directories(Path(sub), ec);
        if (ec)
        {
            Fail("cannot create the folder " + Path(sub) + ": " + ec.message());
            return false;
        }
    }
    return true;
}

bool CDataGenerator::SaveImage(const std::string& relative, const STgaImage& image, bool rle)
{
    if (!CTgaWriter::Save(Path(relative), image, rle))
    {
        Fail("cannot write " + Path(relative));
        return false;
    }
    ++m_Written;
    return true;
}

bool CDataGenerator::SaveModel(const std::string& relative, const CModelBuilder& model)
{
    std::string error;
    if (!model.Save(Path(relative), CScnWriter::eText, error))
    {
        Fail("cannot write " + Path(relative) + ": " + error);
        return false;
    }
    ++m_Written;
    return true;
}

bool CDataGenerator::Generate()
{
    m_Ok = true;
    m_Written = 0;
    m_Notes.clear();
    if (!MakeFolders())
    {
        return false;
    }
    // The sounds first: their MP3 encoders run meanwhile.
    WriteSounds();
    WriteGuiImages();
    WriteTerrainImages();
    WriteEnvironmentImages();
    WriteTextures();
    WriteModels();
    FinishMp3Sounds();
    CopyShader();
    return m_Ok;
}
