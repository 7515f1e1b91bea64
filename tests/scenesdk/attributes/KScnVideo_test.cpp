#include "scenesdk/attributes/KScnVideo.h"

#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

struct PropertyRow
{
    const char* name;
    int typeCode;
};

TEST(Video, PropertySetDeclaresItsPropertiesInOrderWithTheirDefaults)
{
    KScnFree<KScnVideo> video(nullptr, "Video::clip");
    KScnVideoProperties* p = video.GetVideoProperties();
    const PropertyRow rows[] = {{"FrameRate", 4}, {"LastFrame", 1},     {"Width", 1},       {"Height", 1},
                                {"Path", 5},      {"StartFrame", 1},    {"StopFrame", 1},   {"PlaySpeed", 4},
                                {"Offset", 7},    {"InterlaceMode", 6}, {"FreeRunning", 2}, {"Loop", 2},
                                {"AccessMode", 6}};
    ASSERT_GE(p->GetPropertyCount(), 13);
    for (int i = 0; i < 13; ++i)
    {
        SCOPED_TRACE(rows[i].name);
        ASSERT_NE(p->GetProperty(i), nullptr);
        EXPECT_STREQ(p->GetProperty(i)->GetName(), rows[i].name);
        EXPECT_EQ(p->GetProperty(i)->GetTypeCode(), rows[i].typeCode);
    }
    EXPECT_EQ(p->FrameRate.GetValue(), 0.0);
    EXPECT_EQ(p->PlaySpeed.GetValue(), 1.0);
    EXPECT_EQ(p->Offset.GetValue().Get(), 0);
    EXPECT_EQ(p->Path.GetValue(), nullptr);
    EXPECT_FALSE(p->Loop.GetValue());
    EXPECT_EQ(p->AccessMode.GetValue(), 0);
    EXPECT_EQ(KScnVideoProperties::ClassId, KClassIdRecord::FindByName("KScnVideoProperties")->GetNumber());
    EXPECT_EQ(p->GetParentClassId(), KScnPropertyHandler::ClassId);
    EXPECT_EQ(p->GetOwner(), &video);
}

TEST(Video, NewVideoIsAClipOfKindFiveWithDefaultTake)
{
    KScnFree<KScnVideo> video(nullptr, "Video::clip");
    EXPECT_EQ(video.GetObjectKind(), 5);
    EXPECT_STREQ(video.GetTypeName().Buffer(), "Clip");
    KStringList names = video.GetTypeNameList();
    ASSERT_EQ(names.GetCount(), 1);
    EXPECT_STREQ(names.GetStringAt(0), "Clip");
    ASSERT_EQ(video.GetTakeNodeCount(), 1);
    EXPECT_STREQ(video.GetTakeNodeName(0), "Default");
    EXPECT_TRUE(video.GetOriginalFormat());
    EXPECT_FALSE(video.GetUseMipMap());
    EXPECT_STREQ(video.GetOriginalFileName(), "");
    EXPECT_EQ(video.GetFileName(), nullptr);
    EXPECT_STREQ(video.GetRelativeFileName(), "");
    EXPECT_EQ(video.GetError().GetTableSize(), 1);
}

TEST(Video, EnumNamesFollowTheirMeaning)
{
    KScnFree<KScnVideo> video(nullptr, "Video::clip");
    KScnVideoProperties* p = video.GetVideoProperties();
    EXPECT_STREQ(p->AccessMode.GetEnumName(2), "Disk Async");
    EXPECT_STREQ(p->AccessMode.GetEnumName(0), "Disk");
    EXPECT_EQ(p->AccessMode.GetEnumName(3), nullptr);
    EXPECT_STREQ(p->InterlaceMode.GetEnumName(7), "Full Frame Odd/Even");
    EXPECT_STREQ(p->InterlaceMode.GetEnumName(1), "Fields");
    EXPECT_EQ(p->InterlaceMode.GetEnumName(8), nullptr);
    EXPECT_EQ(p->InterlaceMode.GetEnumName(-1), nullptr);
}

TEST(Video, FileNameRefusesEmptyAndKeepsACopy)
{
    KScnFree<KScnVideo> video(nullptr, "Video::clip");
    EXPECT_FALSE(video.SetFileName(""));
    EXPECT_FALSE(video.SetFileName(nullptr));
    EXPECT_EQ(video.GetFileName(), nullptr);
    std::string text = "short.avi";
    EXPECT_TRUE(video.SetFileName(text.c_str()));
    text = "changed";
    EXPECT_STREQ(video.GetFileName(), "short.avi");
    EXPECT_TRUE(video.SetFileName("a/much/longer/path/to/movie.avi"));
    EXPECT_STREQ(video.GetFileName(), "a/much/longer/path/to/movie.avi");
    EXPECT_TRUE(video.SetFileName("x.png"));
    EXPECT_STREQ(video.GetVideoProperties()->Path.GetValue(), "x.png");
    EXPECT_FALSE(video.SetRelativeFileName(""));
    EXPECT_FALSE(video.SetRelativeFileName(nullptr));
    EXPECT_TRUE(video.SetRelativeFileName("rel/x.png"));
    EXPECT_STREQ(video.GetRelativeFileName(), "rel/x.png");
    video.SetOriginalFileName("orig.png");
    video.SetOriginalFormat(false);
    video.SetUseMipMap(true);
    EXPECT_STREQ(video.GetOriginalFileName(), "orig.png");
    EXPECT_FALSE(video.GetOriginalFormat());
    EXPECT_TRUE(video.GetUseMipMap());
}

TEST(Video, ConnectingToATextureFeedsItsNames)
{
    KScnFree<KScnVideo> video(nullptr, "Video::clip");
    video.SetFileName("c:/maps/wood.tga");
    video.SetRelativeFileName("maps/wood.tga");
    KScnFree<KScnTexture> texture(nullptr, "Texture::wood");
    ASSERT_TRUE(texture.GetPropertyHandler()->ConnectSrc(video.GetPropertyHandler()));
    EXPECT_STREQ(texture.GetFileName(), "c:/maps/wood.tga");
    EXPECT_STREQ(texture.GetRelativeFileName(), "maps/wood.tga");
    EXPECT_STREQ(texture.GetMediaName(), "Video::clip");
    EXPECT_EQ(texture.FindVideo(), &video);

    // Later names reach the connected texture.
    EXPECT_TRUE(video.SetFileName("c:/maps/oak.tga"));
    EXPECT_STREQ(texture.GetFileName(), "c:/maps/oak.tga");
    EXPECT_TRUE(video.SetRelativeFileName("maps/oak.tga"));
    EXPECT_STREQ(texture.GetRelativeFileName(), "maps/oak.tga");
    // Connected to one of a texture's properties, it feeds that texture too.
    KScnFree<KScnTexture> through(nullptr, "Texture::oak");
    ASSERT_TRUE(through.GetPropertyHandler()->GetProperty(0)->ConnectSrc(video.GetPropertyHandler()));
    EXPECT_STREQ(through.GetFileName(), "c:/maps/oak.tga");

    // The texture passes its own names back to its video.
    EXPECT_TRUE(texture.SetFileName("c:/maps/elm.tga"));
    EXPECT_STREQ(video.GetFileName(), "c:/maps/elm.tga");
    EXPECT_TRUE(texture.SetRelativeFileName("maps/elm.tga"));
    EXPECT_STREQ(video.GetRelativeFileName(), "maps/elm.tga");
    video.GetPropertyHandler()->DisconnectAll();
}

TEST(Video, SameFileNameTwiceUpdatesTexturesOnlyOnce)
{
    KScnFree<KScnVideo> video(nullptr, "Video::clip");
    KScnFree<KScnTexture> texture(nullptr, "Texture::t");
    ASSERT_TRUE(texture.GetPropertyHandler()->ConnectSrc(video.GetPropertyHandler()));
    EXPECT_TRUE(video.SetFileName("one.png"));
    EXPECT_STREQ(texture.GetFileName(), "one.png");
    EXPECT_TRUE(video.SetFileName("one.png"));
    EXPECT_STREQ(texture.GetFileName(), "one.png");
    // The path written straight through the property reaches no texture;
    // the same name through SetFileName then changes nothing either.
    video.GetVideoProperties()->Path.SetValue("two.png");
    EXPECT_TRUE(video.SetFileName("two.png"));
    EXPECT_STREQ(texture.GetFileName(), "one.png");
    EXPECT_TRUE(video.SetFileName("three.png"));
    EXPECT_STREQ(texture.GetFileName(), "three.png");
    video.GetPropertyHandler()->DisconnectAll();
}

TEST(Video, ConnectingWithoutAPathLeavesTheTextureName)
{
    KScnFree<KScnVideo> video(nullptr, "Video::clip");
    KScnFree<KScnTexture> texture(nullptr, "Texture::t");
    texture.SetFileName("kept.png");
    ASSERT_TRUE(texture.GetPropertyHandler()->ConnectSrc(video.GetPropertyHandler()));
    EXPECT_STREQ(texture.GetFileName(), "kept.png");
    EXPECT_STREQ(texture.GetMediaName(), "Video::clip");
    video.GetPropertyHandler()->DisconnectAll();
}

// A video connected to a node (a light's: its gobo) or to a texture on the
// node; in a scene the video is listed once, also when a twin follows.
struct VideoTargetRow
{
    const char* target;
    bool light, inScene, viaTexture, twin;
    const char* gobo; // the light's file name after
    int listed;
};

TEST(Video, ConnectingSetsTheLightsGoboAndListsTheVideoInTheScene)
{
    const VideoTargetRow rows[] = {
        {"light", true, true, false, false, "gobo.tif", 1},
        {"plain node", false, true, false, false, nullptr, 1},
        {"texture", false, true, true, false, nullptr, 1},
        {"texture, then a twin", false, true, true, true, nullptr, 1},
        {"free light", true, false, false, false, "gobo.tif", 0},
    };
    for (const VideoTargetRow& row : rows)
    {
        SCOPED_TRACE(row.target);
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        KScnVideo* video = manager.CreateVideo("gobo");
        video->SetFileName("gobo.tif");
        KScnNode* node = manager.CreateNode("lamp");
        KScnLight* light = manager.CreateLight();
        node->SetNodeAttribute(row.light ? light : nullptr);
        ASSERT_TRUE(!row.inScene || scene->GetRootNode()->AddChild(node));
        KScnPropertyHandler* into = node->GetPropertyHandler();
        if (row.viaTexture)
        {
            KScnTexture* texture = manager.CreateTexture("wood");
            ASSERT_TRUE(into->ConnectSrc(texture->GetPropertyHandler()));
            into = texture->GetPropertyHandler();
        }
        ASSERT_TRUE(into->ConnectSrc(video->GetPropertyHandler()));
        ASSERT_TRUE(!row.twin || into->ConnectSrc(manager.CreateVideo("gobo")->GetPropertyHandler()));
        EXPECT_STREQ(light->GetFileName(), row.gobo);
        KScnSceneContents* contents = scene->GetContents();
        ASSERT_EQ(contents->GetVideoCount(), row.listed);
        EXPECT_TRUE(row.listed == 0 ||
                    (contents->GetVideo(0) == video && contents->GetVideoUseCount(video) == 1));
    }
}

TEST(Video, AnimatablePropertiesGetChannels)
{
    KScnFree<KScnVideo> video(nullptr, "Video::clip");
    // None of the declared properties is animatable: the take stays empty.
    video.BuildTakeChannels(video.GetTakeNode(0));
    KScnVideoProperties* p = video.GetVideoProperties();
    for (int i = 0; i < 13; ++i)
    {
        EXPECT_FALSE(p->GetProperty(i)->IsAnimatable());
    }
}

} // namespace
