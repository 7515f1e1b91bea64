#include "scenesdk/kernel/KDataType.h"

#include "scenesdk/animation/KTime.h"

#include "scenesdk/fileio/KConfigFile.h"
#include "scenesdk/kernel/KLibrary.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KProperty.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace scenesdk;

TEST(KDataTypeRegistry, FindByName)
{
    EXPECT_EQ(KDataType::FindByName("Lcl Translation"), KDataTypeLclTranslation::Get());
    EXPECT_STREQ(KDataType::FindByName("Lcl Translation")->GetName(), "Lcl Translation");
    EXPECT_EQ(KDataType::FindByName("Trigger"), KDataTypeAction::Get());
    EXPECT_EQ(KDataType::FindByName("lcl translation"), nullptr);
    EXPECT_EQ(KDataType::FindByName(""), nullptr);
    EXPECT_EQ(KDataType::FindByName(nullptr), nullptr);
    EXPECT_EQ(KDataType::GetRegisteredCount(), 46); // 5 kinds and 41 named types

    const char* names[] = {"Number",
                           "Vector",
                           "Vector4",
                           "Time",
                           "Matrix",
                           "Real",
                           "Integer",
                           "Action",
                           "Intensity",
                           "Cone angle",
                           "Fog",
                           "Shape",
                           "FieldOfView",
                           "FieldOfViewX",
                           "FieldOfViewY",
                           "OpticalCenterX",
                           "OpticalCenterY",
                           "Roll",
                           "Camera Index",
                           "TimeWarp",
                           "Visibility",
                           "Bool",
                           "Enum",
                           "Occlusion",
                           "Weight",
                           "IK Reach Translation",
                           "IK Reach Rotation",
                           "Color",
                           "Translation UV",
                           "Scaling UV",
                           "HSB",
                           "Translation",
                           "Scaling",
                           "Rotation",
                           "Lcl Translation",
                           "Lcl Scaling",
                           "Lcl Rotation",
                           "Orientation",
                           "Look at",
                           "ColorAndAlpha",
                           "Quaternion",
                           "Lcl Quaternion",
                           "Matrix Translation",
                           "Matrix Scaling",
                           "Matrix Rotation",
                           "Matrix Transformation"};
    for (const char* name : names)
    {
        const KDataType* t = KDataType::FindByName(name);
        ASSERT_NE(t, nullptr) << name;
        EXPECT_STREQ(t->GetName(), name);
        EXPECT_EQ(t->GetKind()->GetKind(), t->GetKind()) << name; // a kind points to itself
    }
}

TEST(KDataTypeRegistry, KindsSizesAndTypeCodes)
{
    struct Row
    {
        const char* name;
        const KDataType* kind;
        uint32_t size;
        uint32_t components;
        int code;
    } rows[] = {
        {"Intensity", DTNumber(), 8, 1, 4},
        {"Lcl Rotation", DTVector(), 24, 3, 13},
        {"Quaternion", DTVector4(), 32, 4, 12},
        {"Matrix Rotation", KDataTypeMatrix::Get(), 128, 16, 0},
        {"Bool", DTNumber(), 8, 1, 2},
        {"Integer", DTNumber(), 8, 1, 1},
        {"Action", DTNumber(), 8, 1, 16},
        {"Enum", DTNumber(), 8, 1, 6},
        {"Color", DTVector(), 24, 3, 14},
        {"ColorAndAlpha", DTVector4(), 32, 4, 15},
        {"Time", DTTime(), 8, 0, 7},
        {"Number", DTNumber(), 8, 1, 4},
        {"Vector", DTVector(), 24, 3, 13},
        {"Vector4", DTVector4(), 32, 4, 12},
        {"Matrix", KDataTypeMatrix::Get(), 128, 16, 0},
    };
    for (const Row& r : rows)
    {
        const KDataType* t = KDataType::FindByName(r.name);
        ASSERT_NE(t, nullptr) << r.name;
        EXPECT_EQ(t->GetKind(), r.kind) << r.name;
        EXPECT_EQ(t->GetSize(), r.size) << r.name;
        EXPECT_EQ(t->GetComponentCount(), r.components) << r.name;
        EXPECT_EQ(KDataType::ToTypeCode(t), r.code) << r.name;
    }
    EXPECT_EQ(KDataType::ToTypeCode(nullptr), 0);
    EXPECT_EQ(DTColor(), KDataTypeColor::Get());
    EXPECT_EQ(DTBool()->GetKind(), DTNumber());
}

TEST(KDataTypeRegistry, ComponentNames)
{
    EXPECT_STREQ(DTColor()->GetComponentName(0), "r");
    EXPECT_STREQ(DTColor()->GetComponentName(3), "?");
    EXPECT_STREQ(DTColor()->GetComponentName(-1), "?");
    EXPECT_STREQ(KDataType::FindByName("Translation UV")->GetComponentName(1), "V");
    EXPECT_STREQ(KDataType::FindByName("Translation UV")->GetComponentName(2), "?");
    EXPECT_STREQ(KDataType::FindByName("HSB")->GetComponentName(2), "B");
    EXPECT_STREQ(DTColorAndAlpha()->GetComponentName(3), "a");
    EXPECT_STREQ(DTVector()->GetComponentName(2), "z");
    EXPECT_STREQ(DTVector4()->GetComponentName(3), "w");
    EXPECT_STREQ(KDataType::FindByName("Lcl Rotation")->GetComponentName(1), "y");
    EXPECT_STREQ(DTTime()->GetComponentName(0), "?");
    EXPECT_EQ(DTNumber()->GetComponentName(0), nullptr);
    EXPECT_EQ(KDataTypeMatrix::Get()->GetComponentName(0), nullptr);
}

TEST(KDataTypeText, ParsingVectors)
{
    double v[3] = {9, 9, 9};
    EXPECT_TRUE(DTVector()->FromText("{1,2,3}", v));
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(v[2], 3);
    EXPECT_TRUE(DTVector()->FromText("{ 4, 5.5,\t-6e1}", v));
    EXPECT_EQ(v[2], -60);
    const char* bad[] = {"{1,2}", "{1,2,3", "{1;2,3}", " {1,2,3}", "{,2,3}", "{1,2,3,4}", "", "1,2,3"};
    for (const char* text : bad)
    {
        double w[3] = {7, 7, 7};
        EXPECT_FALSE(DTVector()->FromText(text, w)) << text;
        EXPECT_EQ(w[0], 7) << text; // unchanged on failure
    }
    EXPECT_FALSE(DTVector()->FromText(nullptr, v));
    EXPECT_FALSE(DTVector()->FromText("{1,2,3}", nullptr));
    double q[4];
    EXPECT_TRUE(DTVector4()->FromText("{1,2,3,4}", q));
    EXPECT_EQ(q[3], 4);
    double n = 5;
    EXPECT_TRUE(DTNumber()->FromText("abc", &n)); // a number always parses
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(DTNumber()->FromText("2.5", &n));
    EXPECT_EQ(n, 2.5);
    EXPECT_FALSE(DTNumber()->FromText(nullptr, &n));
}

TEST(KDataTypeText, Defaults)
{
    double m[16];
    std::fill_n(m, 16, 3.0);
    EXPECT_TRUE(KDataTypeMatrix::Get()->SetDefault(m));
    for (double x : m)
    {
        EXPECT_EQ(x, 0.0);
    }
    double n = 1;
    EXPECT_TRUE(DTBool()->SetDefault(&n));
    EXPECT_EQ(n, 0.0);
    EXPECT_FALSE(DTVector()->SetDefault(nullptr));
}

class KDataTypeWriting : public testsupport::TempDirTest
{
protected:
    void SetUp() override { KDataType::ReloadDecimals(); }
    void TearDown() override { KDataType::ReloadDecimals(); }
    void SetDecimals(const std::string& value)
    {
        m_Dir.WriteFile(KConfigFile::ResolveName("@Application.txt"),
                        "[NumericField]\nDecimal = " + value + "\n");
        KDataType::ReloadDecimals();
    }
};

TEST_F(KDataTypeWriting, DefaultTwoDecimals)
{
    EXPECT_EQ(KDataType::GetDecimals(), 2);
    const double v[3] = {1, 0.5, -2};
    char buf[64];
    ASSERT_TRUE(DTVector()->ToText(buf, sizeof buf, v));
    EXPECT_STREQ(buf, "{1.00,0.50,-2.00}");
    const double n = 3.14159;
    ASSERT_TRUE(DTNumber()->ToText(buf, sizeof buf, &n));
    EXPECT_STREQ(buf, "3.14");
    // Cut to the buffer, always terminated; no room at all is refused.
    ASSERT_TRUE(DTVector()->ToText(buf, 6, v));
    EXPECT_STREQ(buf, "{1.00");
    ASSERT_TRUE(DTVector()->ToText(buf, 1, v));
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(DTVector()->ToText(buf, 0, v));
    EXPECT_FALSE(DTVector()->ToText(buf, -5, v));
    EXPECT_FALSE(DTVector()->ToText(nullptr, 10, v));
    EXPECT_FALSE(DTVector()->ToText(buf, sizeof buf, nullptr));
}

TEST_F(KDataTypeWriting, DecimalsFromTheSettingsFile)
{
    SetDecimals("0");
    const double v[3] = {1.6, 0.5, -2};
    char buf[64];
    ASSERT_TRUE(DTColor()->ToText(buf, sizeof buf, v));
    EXPECT_STREQ(buf, "{2,0,-2}");
    SetDecimals("-3");
    EXPECT_EQ(KDataType::GetDecimals(), 0);
    SetDecimals("garbage");
    EXPECT_EQ(KDataType::GetDecimals(), 0);
}

TEST_F(KDataTypeWriting, HugeDecimalsAndValuesDoNotOverflow)
{
    SetDecimals("500");
    EXPECT_EQ(KDataType::GetDecimals(), 17);
    double m[16];
    std::fill_n(m, 16, 1e300);
    m[5] = -1e300;
    static char big[8192];
    ASSERT_TRUE(KDataTypeMatrix::Get()->ToText(big, sizeof big, m));
    const std::string text = big;
    EXPECT_EQ(text.front(), '{');
    EXPECT_EQ(text.back(), '}');
    EXPECT_GT(text.size(), 16u * 301u);
    char small[16];
    ASSERT_TRUE(KDataTypeMatrix::Get()->ToText(small, sizeof small, m));
    EXPECT_EQ(std::strlen(small), 15u);
    double back[16];
    ASSERT_TRUE(KDataTypeMatrix::Get()->FromText(big, back));
    EXPECT_EQ(back[0], 1e300);
    EXPECT_EQ(back[5], -1e300);
}

TEST_F(KDataTypeWriting, MatrixRoundTrip)
{
    SetDecimals("17");
    double m[16];
    for (int i = 0; i < 16; ++i)
    {
        m[i] = (i - 7) * 0.125 + i * 1e-3;
    }
    char buf[1024];
    ASSERT_TRUE(KDataType::FindByName("Matrix Transformation")->ToText(buf, sizeof buf, m));
    double back[16];
    ASSERT_TRUE(KDataType::FindByName("Matrix Transformation")->FromText(buf, back));
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(back[i], m[i]) << i;
    }
}

TEST(KDataTypeText, TimeKindUsesTheTimeTextForm)
{
    KTime t(46186158000LL * 3);
    EXPECT_TRUE(DTTime()->SetDefault(&t));
    EXPECT_EQ(t.Get(), 0);
    t.Set(46186158000LL * 3);
    char buf[64];
    ASSERT_TRUE(DTTime()->ToText(buf, sizeof buf, &t));
    EXPECT_STREQ(buf, t.ToText(5).c_str());
    KTime back;
    ASSERT_TRUE(DTTime()->FromText(buf, &back)) << buf;
    EXPECT_EQ(back.Get(), t.Get()) << buf;
    EXPECT_FALSE(DTTime()->FromText("not a time at all, far too long", &back));
    EXPECT_FALSE(DTTime()->FromText(nullptr, &back));
    EXPECT_FALSE(DTTime()->ToText(buf, 0, &t));
}

TEST(KDataTypeRegistry, DefaultDataTypesOfProperties)
{
    EXPECT_EQ(KDataType::FromTypeCode(eKPropDouble), DTNumber());
    EXPECT_EQ(KDataType::FromTypeCode(eKPropTime), DTTime());
    EXPECT_EQ(KDataType::FromTypeCode(eKPropVector4D), DTVector4());
    EXPECT_EQ(KDataType::FromTypeCode(eKPropVector3D), DTVector());
    EXPECT_EQ(KDataType::FromTypeCode(eKPropColorRGB), DTColor());
    EXPECT_EQ(KDataType::FromTypeCode(eKPropColorRGBA), DTColorAndAlpha());
    for (int code : {int(eKPropUnknown), int(eKPropInt), int(eKPropBool), int(eKPropEnum), int(eKPropString),
                     int(eKPropAction), 99, -1})
    {
        EXPECT_EQ(KDataType::FromTypeCode(code), nullptr) << code;
    }
    // Through a property (other tests may have replaced the resolver).
    KDataType::InstallPropertyResolver();
    KObject* owner = new KObject;
    EXPECT_EQ(owner->CreateProperty("D", eKPropDouble)->GetDataType(), DTNumber());
    EXPECT_EQ(owner->CreateProperty("I", eKPropInt)->GetDataType(), nullptr);
    EXPECT_EQ(owner->CreateProperty("L", eKPropVector3D, KDataTypeLclTranslation::Get())->GetDataType(),
              KDataType::FindByName("Lcl Translation"));
    owner->Destroy();
}

TEST(KDataTypeRegistry, LibraryStartInstallsThePropertyResolver)
{
    // Programs that never name a data type still get the resolver once they
    // start the library.
    KProperty::SetDefaultDataTypeResolver(nullptr);
    KObject* before = new KObject;
    EXPECT_EQ(before->CreateProperty("D", eKPropDouble)->GetDataType(), nullptr);
    before->Destroy();
    ASSERT_TRUE(KLibraryStart());
    KObject* owner = new KObject;
    EXPECT_EQ(owner->CreateProperty("D", eKPropDouble)->GetDataType(), DTNumber());
    owner->Destroy();
    KLibraryStop();
}
