// The scene reader against hostile files: numbers no cast can take, enum
// values outside their enumeration, and paths that are no regular file.

#include "scenesdk/fileio/KScnReaderScn.h"

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/fileio/KScnTree.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
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
    KScnFree<KScnImporter> mImporter{&mManager};
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
    const auto user = [a](const char* name)
    { return a->FindUserPropertyByName(name)->GetProperty()->GetInt(); };
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

namespace
{

std::string Chain(int n, bool cycle)
{
    std::string text = "Objects: {\n";
    for (int i = 0; i < n; ++i)
    {
        const int child = i + 1 < n ? i + 1 : (cycle ? 0 : -1);
        text += "  Model: \"M" + std::to_string(i) + "\", \"Null\"";
        text += child >= 0 ? " {\n    Children: \"M" + std::to_string(child) + "\"\n  }\n" : "\n";
    }
    return text + "}\n";
}

} // namespace

// The hierarchy is checked once for the whole file: a long chain reads with
// every depth, a chain closing on itself is refused naming the first model
// on the cycle; a parent keeps its children in file order
// whatever order the parents are connected in.
TEST_F(HostileReaderTest, HierarchyChainsAndCycles)
{
    ASSERT_TRUE(Import(Chain(300, false))) << mImporter.GetStatusText();
    KScnNode* node = mScene->GetRootNode();
    for (int depth = 0; depth < 300; ++depth)
    {
        ASSERT_EQ(node->GetChildCount(), 1) << depth;
        node = node->GetChild(0);
        ASSERT_STREQ(node->GetName(), ("Model::M" + std::to_string(depth)).c_str());
    }
    EXPECT_EQ(node->GetChildCount(), 0);

    EXPECT_FALSE(Import(Chain(300, true)));
    EXPECT_STREQ(mImporter.GetStatusText(), "cycle of children through model \"M0\"");

    ASSERT_TRUE(Import(R"(Objects: {
  Model: "Top", "Null" {
    Children: "B", "A", "C"
  }
  Model: "A", "Null" {
    Children: "A1"
  }
  Model: "A1", "Null" {
    Children: "A2"
  }
  Model: "A2", "Null"
  Model: "B", "Null"
  Model: "C", "Null"
}
)"));
    KScnNode* top = mScene->GetRootNode()->FindChild("Top");
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(top->GetChildCount(), 3);
    EXPECT_STREQ(top->GetChild(0)->GetName(), "Model::B");
    EXPECT_STREQ(top->GetChild(1)->GetName(), "Model::A");
    EXPECT_STREQ(top->GetChild(2)->GetName(), "Model::C");
    EXPECT_EQ(top->GetChild(1)->GetChild(0)->GetChild(0)->GetParent()->GetParent(), top->GetChild(1));
}

// Every object gets every take, in the file's order, whether a take names
// it, names it twice, comes twice, or comes before "Default"; each take has
// its description once.
TEST_F(HostileReaderTest, TakesReachEveryObjectOnce)
{
    ASSERT_TRUE(Import(R"(Objects: {
  Model: "A", "Null"
  Model: "B", "Null"
  Material: "M"
}
Takes: {
  Take: "Run" {
    Model: "A" {
    }
    Model: "A" {
    }
  }
  Take: "Default" {
    Model: "B" {
    }
  }
  Take: "Walk"
  Take: "Run" {
    Material: "M" {
    }
    Model: "Nobody" {
    }
  }
}
)")) << mImporter.GetStatusText();
    EXPECT_STREQ(mImporter.GetStatusText(), "1 items skipped");
    KScnSceneContents* contents = mScene->GetContents();
    std::vector<KScnTakeNodeContainer*> objects{mScene->GetRootNode()->FindChild("A"),
                                                mScene->GetRootNode()->FindChild("B"),
                                                contents->GetMaterial(0)};
    for (KScnTakeNodeContainer* object : objects)
    {
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(object->GetTakeNodeCount(), 3);
        EXPECT_STREQ(object->GetTakeNodeName(0), "Default");
        EXPECT_STREQ(object->GetTakeNodeName(1), "Run");
        EXPECT_STREQ(object->GetTakeNodeName(2), "Walk");
    }
    EXPECT_EQ(mScene->GetTakeInfoCount(), 3);
    EXPECT_NE(mScene->GetTakeInfo("Walk"), nullptr);
    EXPECT_EQ(mScene->GetTakeInfo("walk"), nullptr);
}
