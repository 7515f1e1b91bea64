#include "scenesdk/attributes/KScnExporter.h"
#include "scenesdk/kernel/KScnFree.h"

#include <gtest/gtest.h>

#include <vector>

using namespace scenesdk;

namespace
{

// Counts its own destructions; deleting exactly once is what ownership means.
class CountingWriter : public KScnWriter
{
public:
    explicit CountingWriter(int& deaths) : m_Deaths(deaths) {}
    ~CountingWriter() override { ++m_Deaths; }

private:
    int& m_Deaths;
};

// Sets the status text a writer would leave behind.
class ExporterProbe : public KScnExporter
{
public:
    using KScnExporter::KScnExporter;
    void SetStatus(const char* text) { m_StatusText = text; }
};

std::vector<bool> Options(const KScnExporter& e)
{
    std::vector<bool> out;
    for (int i = 0; i < KScnExporter::kOptionCount; ++i)
        out.push_back(e.GetOption(i));
    return out;
}

const std::vector<bool> kResetOptions = {true, true, true, false, true, true, true, true, true, true, true};

} // namespace

TEST(KScnExporter, NewExporterIsReset)
{
    KScnSdkManager* manager = reinterpret_cast<KScnSdkManager*>(0x1000); // never dereferenced
    KScnFree<KScnExporter> e(manager);
    EXPECT_EQ(nullptr, e.GetWriter());
    EXPECT_EQ(kResetOptions, Options(e));
    EXPECT_STREQ("", e.GetExportName());
    EXPECT_STREQ("", e.GetStatusText());
    EXPECT_STREQ("", e.GetFileName().Buffer());
    EXPECT_EQ(manager, e.GetManager());
    EXPECT_EQ(-1, e.GetLastErrorID());
}

TEST(KScnExporter, InitializeResetsAndStoresTheName)
{
    int deaths = 0;
    ExporterProbe e(nullptr);
    e.SetWriter(new CountingWriter(deaths));
    e.SetOption(3, true);
    e.SetOption(0, false);
    e.SetStatus("written");
    e.SetExportName("Take 001");
    EXPECT_TRUE(e.Initialize("out.scn"));
    EXPECT_EQ(1, deaths);
    EXPECT_EQ(nullptr, e.GetWriter());
    EXPECT_EQ(kResetOptions, Options(e));
    EXPECT_STREQ("", e.GetStatusText());
    EXPECT_STREQ("Take 001", e.GetExportName()); // not part of the reset
    EXPECT_STREQ("out.scn", e.GetFileName().Buffer());

    // Twice in a row: still no writer, switches still at their defaults.
    EXPECT_TRUE(e.Initialize("again.scn"));
    EXPECT_EQ(1, deaths);
    EXPECT_EQ(nullptr, e.GetWriter());
    EXPECT_EQ(kResetOptions, Options(e));
    EXPECT_STREQ("again.scn", e.GetFileName().Buffer());

    EXPECT_TRUE(e.Initialize(nullptr));
    EXPECT_STREQ("", e.GetFileName().Buffer());
}

TEST(KScnExporter, TheWriterIsOwnedAndDestroyedOnce)
{
    int first = 0, second = 0;
    {
        KScnFree<KScnExporter> e(nullptr);
        CountingWriter* w = new CountingWriter(first);
        e.SetWriter(w);
        EXPECT_EQ(w, e.GetWriter());
        e.SetWriter(w); // the same writer again: kept, not destroyed
        EXPECT_EQ(0, first);
        e.SetWriter(new CountingWriter(second)); // replacing destroys the old one
        EXPECT_EQ(1, first);
        EXPECT_EQ(0, second);
    }
    EXPECT_EQ(1, second); // destroyed with the exporter

    int third = 0;
    KScnFree<KScnExporter> e(nullptr);
    e.SetWriter(new CountingWriter(third));
    e.SetWriter(nullptr);
    EXPECT_EQ(1, third);
    e.Reset();
    EXPECT_EQ(1, third);
}

TEST(KScnExporter, SwitchesOutsideTheSetAreRefused)
{
    KScnFree<KScnExporter> e(nullptr);
    EXPECT_TRUE(e.SetOption(10, false));
    EXPECT_FALSE(e.GetOption(10));
    for (int bad : {-1, KScnExporter::kOptionCount, 1000})
    {
        EXPECT_FALSE(e.SetOption(bad, true)) << bad;
        EXPECT_FALSE(e.GetOption(bad)) << bad;
    }
    e.Reset();
    EXPECT_EQ(kResetOptions, Options(e));
}
