#include "render/CModelFactory.h"
#include "render/COGLGlobalRenderSettings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::TempDirTest;

namespace
{

// Records every request; answers with a set number of failures.
class CRecordingFactory : public CModelFactory
{
public:
    CRefPtr<COGLModel> getModel(const std::string&) override { return CRefPtr<COGLModel>(); }
    CRefPtr<COGLDisplayList> getStockObject(int, const std::string&, float, float, float, float, const float*,
                                            int) override
    {
        return CRefPtr<COGLDisplayList>();
    }
    bool CreateTerrain(const std::string&, CTerrainInfo*, std::vector<CRefPtr<COGLModel>>&) override
    {
        return false;
    }
    bool CreateEnv(const std::string*, uint8_t) override { return false; }
    int RecompileAll(int mode) override
    {
        m_Calls.push_back("all " + std::to_string(mode));
        return m_iFailures;
    }
    int RecompileCompiledLists(int mode) override
    {
        m_Calls.push_back("lists " + std::to_string(mode));
        return m_iFailures;
    }
    void SetTextureFilter(int quality) override { m_Calls.push_back("filter " + std::to_string(quality)); }
    void SetMipMapFilter(bool on) override { m_Calls.push_back(on ? "mip on" : "mip off"); }

    std::vector<std::string> m_Calls;
    int m_iFailures = 0;
};

class RenderSettingsTest : public TempDirTest
{
protected:
    RenderSettingsTest() { m_Settings->SetModelFactory(m_Factory.Get()); }
    std::vector<std::string> Calls()
    {
        std::vector<std::string> c;
        c.swap(m_Factory->m_Calls);
        return c;
    }
    typedef std::vector<std::string> Strings;

    CRefPtr<CRecordingFactory> m_Factory{new CRecordingFactory};
    CRefPtr<COGLGlobalRenderSettings> m_Settings{new COGLGlobalRenderSettings(nullptr)};
};

} // namespace

TEST_F(RenderSettingsTest, InitialState)
{
    EXPECT_FALSE(m_Settings->IsOverrideActive());
    EXPECT_EQ(m_Settings->GetOverrideMask(), -1);
    EXPECT_EQ(m_Settings->GetTextureSettings(), 12);
    EXPECT_EQ(m_Settings->GetCacheMode(), 2);
    EXPECT_FALSE(m_Settings->IsCacheModeOverrideActive());
    EXPECT_FALSE(m_Settings->IsRenderModeOverrideActive());
    EXPECT_EQ(m_Settings->GetOverrideColor()[0], 1.0f);
}

TEST_F(RenderSettingsTest, OverrideMask)
{
    m_Settings->SetOverrideBit2(false);
    EXPECT_TRUE(m_Settings->IsOverrideActive());
    EXPECT_EQ(m_Settings->GetOverrideMask(), ~2);
    m_Settings->Save();
    m_Settings->SetOverrideBit2(true);
    EXPECT_EQ(m_Settings->GetOverrideMask(), -1);
    EXPECT_FALSE(m_Settings->IsOverrideActive());
    m_Settings->Restore();
    EXPECT_EQ(m_Settings->GetOverrideMask(), ~2);
    EXPECT_TRUE(m_Settings->IsOverrideActive());

    m_Settings->ClearOverrideMask();
    EXPECT_EQ(m_Settings->GetOverrideMask(), 0);
    m_Settings->SetOverrideBit8(true);
    m_Settings->SetOverrideBit1(true);
    m_Settings->SetOverrideBit16(true);
    EXPECT_EQ(m_Settings->GetOverrideMask(), 25);
    EXPECT_TRUE(m_Settings->IsOverrideActive());
    m_Settings->ResetOverrideMask();
    m_Settings->Save();
    m_Settings->ClearOverrideMask();
    m_Settings->Restore();
    EXPECT_FALSE(m_Settings->IsOverrideActive());

    // Wire frame with flat colour and back leaves everything as it was.
    m_Settings->SetWireFrame(true, true);
    EXPECT_TRUE(m_Settings->IsFlatOverrideActive());
    EXPECT_FLOAT_EQ(m_Settings->GetOverrideColor()[2], 0.8f);
    m_Settings->SetWireFrame(false, false);
    EXPECT_EQ(m_Settings->GetOverrideMask(), -1);
    EXPECT_FALSE(m_Settings->IsOverrideActive());
    EXPECT_EQ(m_Settings->GetOverrideColor()[1], 1.0f);
}

TEST_F(RenderSettingsTest, TextureFilterAndMipMaps)
{
    m_Settings->SetTextureQuality(5, true);
    EXPECT_EQ(m_Settings->GetTextureSettings(), 12);
    EXPECT_FALSE(m_Settings->IsOverrideActive());
    EXPECT_TRUE(Calls().empty());

    m_Settings->SetTextureQuality(2, true);
    EXPECT_EQ(m_Settings->GetTextureSettings(), 10);
    EXPECT_TRUE(m_Settings->IsTextureOverrideActive());
    EXPECT_TRUE(m_Settings->IsOverrideActive());
    EXPECT_FALSE(m_Settings->IsFlatOverrideActive());
    m_Settings->SetTextureQuality(16, false);
    EXPECT_EQ(m_Settings->GetTextureSettings(), 8);
    EXPECT_FALSE(m_Settings->IsTextureOverrideActive());
    EXPECT_EQ(Calls(), (Strings{"filter 2"}));

    m_Settings->SetMipMapping(false);
    EXPECT_EQ(m_Settings->GetTextureSettings(), 0);
    EXPECT_TRUE(m_Settings->IsTextureOverrideActive());
    m_Settings->SetTextureQuality(0, false);
    EXPECT_TRUE(m_Settings->IsTextureOverrideActive());
    m_Settings->SetMipMapping(true);
    EXPECT_EQ(m_Settings->GetTextureSettings(), 8);
    EXPECT_EQ(Calls(), (Strings{"mip off", "mip on"}));
}

TEST_F(RenderSettingsTest, RenderAndCacheModes)
{
    // VBOs need the display lists off first.
    EXPECT_FALSE(m_Settings->SetRenderModeOverride(2, true));
    EXPECT_FALSE(m_Settings->IsRenderModeOverrideActive());
    EXPECT_FALSE(m_Settings->SetCacheModeOverride(1, true));
    EXPECT_FALSE(m_Settings->SetCacheModeOverride(128, false));
    EXPECT_TRUE(Calls().empty());

    EXPECT_TRUE(m_Settings->SetCacheModeOverride(2, true));
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(m_Settings->SetRenderModeOverride(2, true));
    EXPECT_EQ(Calls(), (Strings{"all 2"}));
    EXPECT_EQ(m_Settings->GetRenderModeOverride(), 2);
    // Lists cannot be recorded from VBOs.
    EXPECT_FALSE(m_Settings->SetCacheModeOverride(1, true));

    EXPECT_TRUE(m_Settings->SetRenderModeOverride(1, true));
    EXPECT_TRUE(Calls().empty()); // cache mode 2, path 1: nothing to rebuild
    EXPECT_TRUE(m_Settings->SetCacheModeOverride(1, true));
    EXPECT_EQ(Calls(), (Strings{"all 1"}));
    EXPECT_EQ(m_Settings->GetCacheMode(), 1);
    EXPECT_TRUE(m_Settings->SetRenderModeOverride(0, true));
    EXPECT_EQ(Calls(), (Strings{"all 0"}));
    EXPECT_TRUE(m_Settings->SetRenderModeOverride(4, false));
    EXPECT_EQ(Calls(), (Strings{"all 4"}));
    EXPECT_FALSE(m_Settings->IsRenderModeOverrideActive());
    EXPECT_FALSE(m_Settings->SetCacheModeOverride(128, false));

    EXPECT_TRUE(m_Settings->SetCacheModeOverride(2, false));
    EXPECT_EQ(Calls(), (Strings{"lists 4"}));
    EXPECT_EQ(m_Settings->GetCacheMode(), 128);
    EXPECT_FALSE(m_Settings->IsCacheModeOverrideActive());
    EXPECT_TRUE(m_Settings->SetRenderModeOverride(3, true));
    EXPECT_EQ(Calls(), (Strings{"lists 3"}));
}

TEST_F(RenderSettingsTest, RebuildFailuresAndUnknownModesAreLogged)
{
    m_Factory->m_iFailures = 2;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(m_Settings->SetRenderModeOverride(1, true));
    EXPECT_TRUE(m_Settings->IsRenderModeOverrideActive());
    EXPECT_TRUE(m_Settings->SetCacheModeOverride(1, true));
    EXPECT_TRUE(m_Settings->SetCacheModeOverride(2, false));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error occured in COGLGlobalRenderSettings::SetRenderModeOverride()\n"
              "Error occured in COGLGlobalRenderSettings::SetCacheModeOverride()\n"
              "Error occured in COGLGlobalRenderSettings::SetCacheModeOverride()\n");
    EXPECT_EQ(Calls(), (Strings{"lists 1", "all 1", "lists 1"}));

    m_Factory->m_iFailures = 0;
    EXPECT_TRUE(m_Settings->SetCacheModeOverride(2, true));
    Calls();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_Settings->SetRenderModeOverride(4, true));
    EXPECT_FALSE(m_Settings->SetRenderModeOverride(7, true));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Unknown RenderModeOverride in COGLGlobalRenderSettings::SetRenderModeOverride()\n"
              "Unknown RenderModeOverride in COGLGlobalRenderSettings::SetRenderModeOverride()\n");
    EXPECT_EQ(m_Settings->GetRenderModeOverride(), 1);
    EXPECT_TRUE(Calls().empty());
}
