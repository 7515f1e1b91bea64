// The settings.ini the repository ships (and scripts/run copies next to the
// game) parses with CSettings and holds every key the game reads, with values
// the readers accept. docs/game-data.md lists the keys.

#include "app/CSettings.h"
#include "tests/support/RepoFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

const std::string kSettings = testsupport::RepoRoot() + "settings.ini";

class ShippedSettings : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_Settings.Load(kSettings.c_str())) << kSettings; }

    std::string Get(const std::string& section, const std::string& key)
    {
        std::string value;
        EXPECT_TRUE(m_Settings.GetValue(section, key, value)) << section << "/" << key;
        return value;
    }
    double Number(const std::string& section, const std::string& key)
    {
        return std::strtod(Get(section, key).c_str(), nullptr);
    }
    unsigned long Count(const std::string& section, const std::string& key)
    {
        return std::strtoul(Get(section, key).c_str(), nullptr, 10);
    }
    void ExpectVector(const std::string& section, const std::string& key)
    {
        float x, y, z;
        EXPECT_EQ(std::sscanf(Get(section, key).c_str(), "%f;%f;%f", &x, &y, &z), 3) << key;
    }
    bool Has(const std::string& section, const std::string& key)
    {
        std::string value;
        return m_Settings.GetValue(section, key, value);
    }

    CSettings m_Settings;
};

} // namespace

TEST_F(ShippedSettings, DisplayMakesTheConfiguredWindow)
{
    Get("DISPLAY", "ConsoleX");
    Get("DISPLAY", "ConsoleY");
    const std::string title = Get("DISPLAY", "title");
    EXPECT_TRUE(title.size() >= 1 && title.size() <= 49);
    const long h = std::strtol(Get("DISPLAY", "hRes").c_str(), nullptr, 10);
    const long v = std::strtol(Get("DISPLAY", "vRes").c_str(), nullptr, 10);
    EXPECT_TRUE(h >= 640 && h <= 1280) << h;
    EXPECT_TRUE(v >= 480 && v <= 1024) << v;
    const std::string fs = Get("DISPLAY", "fullscreen");
    EXPECT_TRUE(fs == "true" || fs == "false") << "[" << fs << "]";
}

TEST_F(ShippedSettings, GameTerrainForestAndSun)
{
    for (const char* key : {"StartPos", "SunDir", "SunDiffuseColor", "SunAmbientColor"})
        ExpectVector("GAME", key);
    EXPECT_GT(Number("GAME", "StartMoney"), 0.0);
    EXPECT_GE(Count("GAME", "NumLevels"), 1u);
    const double xs = Number("GAME", "XSize"), zs = Number("GAME", "ZSize");
    EXPECT_GT(xs, 0.0);
    EXPECT_GT(zs, 0.0);
    EXPECT_GT(Number("GAME", "YScale"), 0.0);
    EXPECT_GT(Count("GAME", "Segments") & 0xFFFF, 0u);
    for (const char* key : {"Heightmap", "TerrainTexture1", "TerrainTexture2", "Treemap"})
        EXPECT_EQ(Get("GAME", key).substr(0, 5), "Data/") << key;
    // The forest plants three kinds of trees and needs a model for each.
    const unsigned long trees = Count("GAME", "NmbTrees");
    EXPECT_GE(trees, 3u);
    for (unsigned long i = 1; i <= trees; ++i)
        EXPECT_NE(Get("GAME", "TreeModel" + std::to_string(i)), "");
    float x, y, z;
    ASSERT_EQ(std::sscanf(Get("GAME", "StartPos").c_str(), "%f;%f;%f", &x, &y, &z), 3);
    EXPECT_TRUE(x > 0 && x < xs && z > 0 && z < zs);
}

TEST_F(ShippedSettings, EveryBuildingHasAPrice)
{
    for (const char* key : {"Citizen1", "Citizen2", "Market", "Church", "Toilet", "Tower"})
        EXPECT_GT(Number("COSTS", key), 0.0) << key;
}

TEST_F(ShippedSettings, EveryLevelHasItsSection)
{
    const unsigned long levels = Count("GAME", "NumLevels");
    const double xs = Number("GAME", "XSize"), zs = Number("GAME", "ZSize");
    for (unsigned long level = 1; level <= levels; ++level)
    {
        const std::string s = "Level" + std::to_string(level);
        SCOPED_TRACE(s);
        EXPECT_GT(Number(s, "BuildTime"), 0.0);
        // A demanded headquarters could never be placed (its button builds
        // nothing): the key is there and 0.
        std::string hq;
        EXPECT_FALSE(m_Settings.GetValue(s, "PreHq", hq) && std::strtoul(hq.c_str(), nullptr, 10) != 0);
        EXPECT_TRUE(Has(s, "PreCitizen"));
        const unsigned long spawns = Count(s, "SpawnPoints");
        EXPECT_GT(spawns, 0u);
        for (unsigned long n = 1; n <= spawns; ++n)
        {
            float time, px, py, pz;
            unsigned long count;
            char type;
            const std::string key = "SpawnPoint" + std::to_string(n);
            ASSERT_EQ(
                std::sscanf(Get(s, key).c_str(), "%f;%lu;%c;%f;%f;%f", &time, &count, &type, &px, &py, &pz),
                6)
                << key;
            EXPECT_GT(count, 0u);
            EXPECT_TRUE(px >= 0 && px <= xs && pz >= 0 && pz <= zs && py > 0) << key;
        }
        EXPECT_NE(Get(s, "EnvironmentModel"), "");
        const std::string type = Get(s, "EnvironmentType");
        if (type == "Sphere")
        {
            EXPECT_NE(Get(s, "ReflectionMapTexture"), "");
        }
        else
        {
            EXPECT_EQ(type, "Cube");
            for (const char* face : {"posX", "negX", "posY", "negY", "posZ", "negZ"})
                EXPECT_NE(Get(s, std::string("ReflectionMapTexture_") + face), "");
        }
    }
    std::string unused;
    EXPECT_FALSE(m_Settings.GetValue("Level" + std::to_string(levels + 1), "BuildTime", unused));
}
