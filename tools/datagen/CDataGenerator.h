#pragma once

// Writes the game's whole data tree (the folder the game opens as "Data/"):
// models, textures, GUI images, loading screens, the terrain's heightmap and
// plant map, sounds and the bump shader with its normal map. The inventory of
// these files, with who loads them, is docs/game-data.md.
//
// Output is deterministic: the same program writes the same bytes (MP3 files
// are as deterministic as the lame encoder). Existing files are overwritten,
// so running it again is harmless.

#include "tools/datagen/CModelBuilder.h"
#include "tools/datagen/CTgaWriter.h"

#include <string>
#include <vector>

class CDataGenerator
{
public:
    // dataDir: the folder to fill (created when missing). sourceDataDir: the
    // repository's tools/data folder, whose shader/simpleBump.cg is copied;
    // "" or a folder without it skips the shader with a message.
    CDataGenerator(std::string dataDir, std::string sourceDataDir);

    // False when a file could not be written; the reasons go to standard
    // error. Missing optional inputs (lame, the shader source) only print a
    // note.
    bool Generate();

    // Every file Generate writes, relative to the data folder, with forward
    // slashes ("models/bird.scn"). MP3 files are written only when lame is
    // found; the shader only when its source exists.
    static std::vector<std::string> ImageFiles();
    static std::vector<std::string> ModelFiles();
    static std::vector<std::string> WavFiles();
    static std::vector<std::string> Mp3Files();
    static const char* ShaderFile() { return "shader/simpleBump.cg"; }
    // Number of level sections the shipped settings.ini describes (one
    // loading screen each).
    static constexpr int kLevels = 3;
    // The world the shipped settings.ini describes ("GAME"): a terrain of
    // kTerrainSize x kTerrainSize units from a kHeightmapSize-square
    // heightmap; the town (StartPos) at (kTownX, kTownZ) in the middle of a
    // flat plateau of sample kPlateauSample within kPlateauRadius units, which
    // the build camera's fixed scroll bounds (x 300-600, z 200-600) frame; no
    // trees within kTreeFreeRadius of the town on the kPlantMapSize-square
    // plant map.
    static constexpr double kTerrainSize = 1000.0;
    static constexpr int kHeightmapSize = 129;
    static constexpr double kTownX = 450.0;
    static constexpr double kTownZ = 400.0;
    static constexpr double kPlateauRadius = 150.0;
    static constexpr int kPlateauSample = 80;
    static constexpr int kPlantMapSize = 32;
    static constexpr double kTreeFreeRadius = 140.0;

    // Lines printed (skipped MP3s, missing shader, failures), for tests.
    const std::vector<std::string>& Notes() const { return m_Notes; }
    size_t FilesWritten() const { return m_Written; }

private:
    std::string Path(const std::string& relative) const;
    bool MakeFolders();
    void Note(const std::string& line);
    void Fail(const std::string& line);

    // CDataGenerator_Gui.cpp
    void WriteGuiImages();
    void WriteBuildButtons();
    void WriteLoadingScreens();
    // CDataGenerator_Images.cpp
    void WriteTerrainImages();
    void WritePlantMap();
    void WriteTextures();
    void WriteNormalMap();
    void WriteEnvironmentImages();
    // CDataGenerator_Models.cpp
    void WriteModels();
    // CDataGenerator_Sounds.cpp
    // The WAVs; starts the MP3 encoders (when lame is found), which
    // FinishMp3Sounds waits for.
    void WriteSounds();
    void StartMp3Sounds();
    void FinishMp3Sounds();
    void CopyShader();

    bool SaveImage(const std::string& relative, const STgaImage& image, bool rle);
    bool SaveModel(const std::string& relative, const CModelBuilder& model);

    std::string m_DataDir;
    std::string m_SourceDataDir;
    std::vector<std::string> m_Notes;
    // Running MP3 encoders: process, temporary WAV, MP3.
    struct SEncoding
    {
        int pid;
        std::string wav;
        std::string mp3;
    };
    std::vector<SEncoding> m_Encodings;
    size_t m_Written = 0;
    bool m_Ok = true;
};
