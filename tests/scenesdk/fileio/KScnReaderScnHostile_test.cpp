// The scene reader against hostile files: numbers no cast can take, enum
// values outside their enumeration, and paths that are no regular file.

#include "scenesdk/fileio/KScnReaderScn.h"

#include "scenesdk/fileio/KScnTree.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/support/TempDir.h"
#include "tools/scnwriter/CScnWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <string>

using namespace scenesdk;

namespace
{

class HostileReaderTest : public testsupport::TempDirTest
{
protected:
    bool Import(const std::string& text)
    {
        const std::string path =
            m_Dir.WriteFile("hostile.scn", "; scene file\nFileHeader: {\n  Version: 6000\n}\n" + text);
        return mImporter.Initialize(path.c_str()) && mImporter.Import(mScene);
    }
    int Property(KObject* set, const char* name)
    {
        KProperty* p = set->FindProperty(name);
        return p != nullptr ? p->GetInt() : -12345;
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
    KScnImporter mImporter{&mManager};
};

// Values far outside 32 bits, infinities and NaN saturate (NaN gives 0)
// instead of reaching an undefined cast; enum values outside the
// enumeration are refused and counted as skipped.
TEST_F(HostileReaderTest, NumbersSaturateAndEnumsStayInTheirEnumeration)
{
    ASSERT_TRUE(Import(R"(Objects: {
  Model: "A", "Null" {
    Properties: {
      RotationOrder: 1e300
      InheritType: -1
    }
    UserProperty: "big", "Integer", "", 1e300
    UserProperty: "small", "Integer", "", -inf
    UserProperty: "none", "Bool", "", nan
    UserProperty: "pick", "Enum", "", 1e20
  }
  Model: "B", "Null" {
    Properties: {
      RotationOrder: 3
      InheritType: 1000
      RotationOrder: nan
    }
  }
  Model: "C", "Mesh" {
    Mesh: {
      ControlPoints: 0,0,0, 1,0,0, 0,1,0
      PolygonSizes: 3
      PolygonVertices: 0,1,2
      Layer: 0 {
        LayerElementPolygonGroup: {
          Mapping: "AllSame"
          Reference: "Direct"
          Values: -1e300
        }
      }
    }
  }
  Texture: "T" {
    FileName: "t.tga"
    Properties: {
      CurrentTextureBlendMode: -1
      WrapModeV: 8
      CurrentTextureBlendMode: 4
      WrapModeU: 1
    }
  }
}
)")) << mImporter.GetStatusText();
    // RotationOrder of A, InheritType of A and B, blend mode twice, WrapModeV.
    EXPECT_STREQ(mImporter.GetStatusText(), "6 items skipped");
    KScnNode* root = mScene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 3);
    KScnNode* a = root->GetChild(0);
    EXPECT_EQ(Property(a->GetPropertyHandler(), "RotationOrder"), 0);
    EXPECT_EQ(Property(a->GetPropertyHandler(), "InheritType"), 0);
    const auto user = [a](const char* name) { return a->FindUserPropertyByName(name)->GetProperty()->GetInt(); };
    EXPECT_EQ(user("big"), INT_MAX);
    EXPECT_EQ(user("small"), INT_MIN);
    EXPECT_EQ(user("none"), 0);
    EXPECT_EQ(user("pick"), INT_MAX);
    // NaN saturates to 0, the first rotation order.
    EXPECT_EQ(Property(root->GetChild(1)->GetPropertyHandler(), "RotationOrder"), 0);
    EXPECT_EQ(Property(root->GetChild(1)->GetPropertyHandler(), "InheritType"), 0);

    auto* mesh = static_cast<KScnMesh*>(root->GetChild(2)->GetMesh());
    ASSERT_NE(mesh, nullptr);
    KScnLayerElement* groups = mesh->GetLayer(0)->GetPolygonGroupElement();
    ASSERT_NE(groups, nullptr);
    ASSERT_EQ(groups->GetDirectCount(), 1);
    EXPECT_EQ(groups->GetDirect<int32_t>()[0], INT_MIN);

    ASSERT_EQ(mScene->GetContents()->GetTextureCount(), 1);
    KObject* texture = mScene->GetContents()->GetTexture(0)->GetPropertyHandler();
    // Refused values leave the defaults of a new texture.
    KObject* fresh = mManager.CreateTexture("fresh")->GetPropertyHandler();
    EXPECT_EQ(Property(texture, "CurrentTextureBlendMode"), Property(fresh, "CurrentTextureBlendMode"));
    EXPECT_EQ(Property(texture, "WrapModeV"), Property(fresh, "WrapModeV"));
    EXPECT_EQ(Property(texture, "WrapModeU"), 1);
}

// Only regular files are read, with their size known first: a FIFO or a
// device is "not found" at once (never a wait, never an endless read), a file
// past the size limit is corrupted without a byte read.
TEST_F(HostileReaderTest, SpecialAndOversizedFilesAreRefusedUnread)
{
    const std::string fifo = m_Dir.Path() + "/pipe.scn";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = m_Dir.Path() + "/zero.scn";
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    const std::string huge = m_Dir.Path() + "/huge.scn";
    m_Dir.WriteFile("huge.scn", "");
    std::error_code ec;
    std::filesystem::resize_file(huge, static_cast<uintmax_t>(KScnTree::kMaxFileSize) + 1, ec);
    ASSERT_FALSE(ec) << ec.message();

    KScnReaderScn reader(&mManager, nullptr);
    for (const std::string& path : {fifo, zero, m_Dir.Path() + "/missing.scn"})
    {
        EXPECT_FALSE(reader.OpenFile(path.c_str())) << path;
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileNotOpened) << path;
        EXPECT_EQ(reader.GetStatusText(), "no such file: " + path);
    }
    EXPECT_FALSE(reader.OpenFile(huge.c_str()));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
    EXPECT_EQ(reader.GetStatusText(), "file too large: " + huge);
    EXPECT_FALSE(reader.OpenFile(nullptr));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileNotOpened);
    // The importer reports the same through its own open.
    EXPECT_FALSE(mImporter.Initialize(fifo.c_str()));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileNotOpened);
}

} // namespace
