#include "scenesdk/animation/KTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using scenesdk::KTime;

namespace
{
int64_t Timecode(int h, int m, int s, int f, int field, int mode)
{
    KTime t;
    EXPECT_TRUE(t.SetTimecode(h, m, s, f, field, mode));
    return t.Get();
}
} // namespace

TEST(KTimeTest, SecondsAndSaturation)
{
    KTime t;
    t.SetSeconds(1.0);
    EXPECT_EQ(t.Get(), 46186158000LL);
    EXPECT_EQ(KTime(1539538600).GetSeconds(), 1.0 / 30.0);
    t.SetSeconds(-1.5);
    EXPECT_EQ(t.Get(), -69279237000LL);
    t.SetSeconds(std::nan(""));
    EXPECT_EQ(t.Get(), 0);
    t.SetSeconds(3e8);
    EXPECT_EQ(t.Get(), KTime::kInfinite);
    t.SetSeconds(-3e8);
    EXPECT_EQ(t.Get(), KTime::kMinusInfinite);
    t.SetSeconds(std::numeric_limits<double>::infinity());
    EXPECT_EQ(t.Get(), KTime::kInfinite);
    // Plain operators wrap without undefined behaviour; the helpers saturate.
    EXPECT_EQ((KTime(KTime::kInfinite) + KTime(1)).Get(), INT64_MIN);
    EXPECT_EQ(KTime::AddSaturated(KTime(KTime::kInfinite), KTime(1)).Get(), KTime::kInfinite);
    EXPECT_EQ(KTime::SubSaturated(KTime(KTime::kMinusInfinite), KTime(5)).Get(), KTime::kMinusInfinite);
    EXPECT_EQ(KTime::MulSaturated(KTime(1LL << 40), 1LL << 30).Get(), KTime::kInfinite);
    EXPECT_EQ((KTime(10) * -3).Get(), -30);
    EXPECT_EQ(KTime(100) / KTime(7), 14);
    EXPECT_EQ(KTime(100) / KTime(0), 0);
    EXPECT_EQ(KTime(INT64_MIN) / KTime(-1), INT64_MIN);
}

TEST(KTimeTest, ModeTableLookups)
{
    EXPECT_EQ(KTime::TimeModeFromFileCode(3), 6);
    EXPECT_EQ(KTime::TimeModeFromFileCode(10), 7);
    EXPECT_EQ(KTime::TimeModeFromFileCode(99), 6);
    EXPECT_EQ(KTime::TimeModeFromName("PAL"), 10);
    EXPECT_EQ(KTime::TimeModeFromName("25"), 10);
    EXPECT_EQ(KTime::TimeModeFromName("pal"), 6);
    EXPECT_EQ(KTime::TimeModeFromName("NTSC Full"), 9);
    EXPECT_EQ(KTime::TimeModeFromName(nullptr), 6);
    EXPECT_EQ(KTime::GetFrameRate(12), 30.0);
    EXPECT_EQ(KTime::GetFrameRate(0), 30.0);
    EXPECT_EQ(KTime::GetFrameRate(99), 30.0);
    EXPECT_EQ(KTime::GetFrameRate(13), 23.976);
    EXPECT_EQ(KTime::FindTimeModeByRate(29.97, 0.01), 8);
    EXPECT_EQ(KTime::FindTimeModeByRate(30, 0), 6);
    EXPECT_EQ(KTime::FindTimeModeByRate(31, 0.5), 0);
    int rows = 0;
    const scenesdk::KTimeModeInfo* table = KTime::GetModeTable(&rows);
    EXPECT_EQ(rows, 12);
    // Every mode's frame is a whole number of ticks of the stated rate.
    for (int i = 0; i < rows; ++i)
    {
        const double rate = double(KTime::kOneSecond) / double(KTime::GetTicksPerFrame(table[i].mMode));
        EXPECT_NEAR(rate, table[i].mFrameRate, 1e-6) << table[i].mLongName;
    }
    EXPECT_EQ(KTime::GetTicksPerFrame(12) * 1000, KTime::kOneSecond);
    EXPECT_EQ(scenesdk::GetCurveResamplingPeriod().Get(), 1539538600);
    EXPECT_EQ(scenesdk::GetRotationFilterMode(), 2);
    EXPECT_EQ(scenesdk::GetUnrollQualityDefault(), 0.25);
    EXPECT_FALSE(scenesdk::GetUnrollPathFlagDefault());
    EXPECT_TRUE(scenesdk::GetApplyConstantKeyReducer());
}

TEST(KTimeTest, TimecodesInEveryMode)
{
    const int64_t hourTicks = 3600 * KTime::kOneSecond;
    for (int mode : {1, 2, 3, 4, 5, 6, 10, 11, 12})
        EXPECT_EQ(Timecode(1, 0, 0, 0, 0, mode), hourTicks) << mode;
    EXPECT_EQ(Timecode(1, 0, 0, 0, 0, 7), 166103898631200LL); // 107,892 frames
    EXPECT_EQ(Timecode(1, 0, 0, 0, 0, 7), 107892LL * 1539538600);
    EXPECT_EQ(Timecode(1, 0, 0, 0, 0, 8), 166270023611928LL);
    EXPECT_EQ(Timecode(1, 0, 0, 0, 0, 9), 166436460072000LL); // 108,000 frames
    EXPECT_EQ(Timecode(1, 0, 0, 0, 0, 13), 166228559683200LL);
    EXPECT_EQ(Timecode(0, 0, 0, 5, 0, 0), Timecode(0, 0, 0, 5, 0, 6));   // mode 0: global
    EXPECT_EQ(Timecode(0, 0, 0, 0, 1, 10), 923723160);                   // a field is half a frame
    EXPECT_EQ(Timecode(0, 0, 1, 0, 1, 11), Timecode(0, 0, 1, 0, 0, 11)); // no fields in mode 11
    KTime t(42);
    EXPECT_FALSE(t.SetTimecode(1, 0, 0, 0, 0, 14));
    EXPECT_FALSE(t.SetTimecode(1, 0, 0, 0, 0, -1));
    EXPECT_EQ(t.Get(), 42);
    // Overflowing timecodes saturate.
    EXPECT_TRUE(t.SetTimecode(INT32_MAX, 0, 0, 0, 0, 1));
    EXPECT_EQ(t.Get(), KTime::kInfinite);
    EXPECT_TRUE(t.SetTimecode(INT32_MIN, 0, 0, 0, 0, 13));
    EXPECT_EQ(t.Get(), KTime::kMinusInfinite);
}

TEST(KTimeTest, DropFrameTimecodes)
{
    const int64_t frame30 = 1539538600;
    EXPECT_EQ(Timecode(0, 1, 0, 0, 0, 7), 1800 * frame30);
    EXPECT_EQ(Timecode(0, 1, 0, 0, 0, 7), 2771169480000LL);
    EXPECT_EQ(Timecode(0, 1, 0, 1, 0, 7), Timecode(0, 1, 0, 2, 0, 7));
    EXPECT_EQ(Timecode(0, 1, 0, 3, 0, 7), 1801 * frame30);
    EXPECT_EQ(Timecode(0, 1, 1, 0, 0, 7), (1800 + 28) * frame30);
    EXPECT_EQ(Timecode(0, 2, 0, 2, 0, 7), (1800 + 1798) * frame30);
    EXPECT_EQ(Timecode(0, 10, 0, 0, 0, 7), 17982 * frame30);
    EXPECT_EQ(Timecode(0, 10, 0, 0, 0, 7), 27683983105200LL);
    EXPECT_EQ(Timecode(0, 11, 0, 0, 0, 13), (14382 + 1440) * 1926349600LL);
    // Split inverts SetTimecode on valid drop-frame numbers.
    for (int mode : {7, 8, 13})
        for (int m : {0, 1, 9, 10, 59})
            for (int s : {0, 1, 59})
                for (int f : {0, 2, 3, 21})
                {
                    if (m % 10 != 0 && s == 0 && f < 2)
                        continue;
                    KTime t;
                    t.SetTimecode(2, m, s, f, 1, mode);
                    int64_t h, mm, ss, ff, field, residual;
                    ASSERT_TRUE(t.SplitTimecode(&h, &mm, &ss, &ff, &field, &residual, mode));
                    EXPECT_EQ(h, 2);
                    EXPECT_EQ(mm, m);
                    EXPECT_EQ(ss, s);
                    EXPECT_EQ(ff, f) << "mode " << mode << " " << m << ":" << s;
                    EXPECT_EQ(field, 1);
                    EXPECT_EQ(residual, 0);
                }
}

TEST(KTimeTest, SplitFramesAndResiduals)
{
    for (int mode = 1; mode <= 13; ++mode)
    {
        KTime t;
        t.SetTimecode(3, 25, 47, 11, 0, mode);
        int64_t h, m, s, f, field, residual;
        ASSERT_TRUE(t.SplitTimecode(&h, &m, &s, &f, &field, &residual, mode));
        EXPECT_EQ(h, 3) << mode;
        EXPECT_EQ(m, 25) << mode;
        EXPECT_EQ(s, 47) << mode;
        EXPECT_EQ(f, 11) << mode;
        EXPECT_EQ(residual, 0) << mode;
    }
    // Negative times split by floor division.
    KTime minusOne(-1539538600);
    int64_t h, m, s, f, field, residual;
    ASSERT_TRUE(minusOne.SplitTimecode(&h, &m, &s, &f, &field, &residual, 6));
    EXPECT_EQ(h, -1);
    EXPECT_EQ(m, 59);
    EXPECT_EQ(s, 59);
    EXPECT_EQ(f, 29);
    EXPECT_FALSE(minusOne.SplitTimecode(&h, &m, &s, &f, &field, &residual, 20));
    // Residual in hundredths of a frame.
    KTime quarter(1539538600 + 1539538600 / 4);
    EXPECT_EQ(quarter.GetResidual(11), 0); // exactly one frame at 24 fps
    EXPECT_EQ(quarter.GetFrame(true, 6), 1);
    EXPECT_EQ(quarter.GetResidual(6), 25);
    EXPECT_EQ(KTime(-1539538600 * 3LL).GetFrame(true, 6), -3);
    EXPECT_EQ(KTime(123).GetFrame(true, 77), 0);
    KTime late;
    late.SetTimecode(0, 0, 2, 7, 0, 10);
    EXPECT_EQ(late.GetFrame(false, 10), 7);
    EXPECT_EQ(late.GetFrame(true, 10), 57);
}

TEST(KTimeTest, ResidualTimecodes)
{
    KTime t;
    ASSERT_TRUE(t.SetTimecodeWithResidual(0, 0, 0, 1, 0, 50, 6));
    EXPECT_EQ(t.Get(), 2309307900LL);
    ASSERT_TRUE(t.SetTimecodeWithResidual(0, 0, 0, 1, 0, 0, 6));
    EXPECT_EQ(t.Get(), 1539538600LL);
    KTime keep(5);
    EXPECT_FALSE(keep.SetTimecodeWithResidual(0, 0, 0, 1, 0, 50, 44));
    EXPECT_EQ(keep.Get(), 5);
}

TEST(KTimeTest, TextForms)
{
    KTime t;
    t.SetTimecode(1, 2, 3, 4, 1, 6);
    EXPECT_EQ(t.ToText(4, 6, 0), "001:02:03.04");
    EXPECT_EQ(t.ToText(6, 6, 0), "001:02:03.04 (01)");
    EXPECT_EQ(t.ToText(1, 6, 0), "001");
    EXPECT_EQ(t.ToText(2, 6, 0), "001:02");
    EXPECT_EQ(t.ToText(3, 6, 0), "001:02:03");
    EXPECT_EQ(t.ToText(7, 6, 0), "");
    EXPECT_EQ(t.ToText(0, 6, 0), "");
    EXPECT_EQ(KTime(KTime::kInfinite).ToText(5, 6, 0), "---:--:--.--");
    EXPECT_EQ(KTime(KTime::kMinusInfinite).ToText(5, 6, 0), "- ---:--:--.--");
    EXPECT_EQ(KTime(INT64_MIN).ToText(6, 6, 0), "- ---:--:--.-- (--)");
    EXPECT_EQ(KTime(KTime::kInfinite).ToText(6, 6, 0), "---:--:--.-- (--)");
    EXPECT_EQ(KTime(KTime::kInfinite).ToText(3, 6, 1), "  ---");
    EXPECT_EQ(KTime(KTime::kMinusInfinite).ToText(6, 6, 1), "- --- (--)");

    const KTime second(KTime::kOneSecond);
    EXPECT_EQ(second.ToText(1, 6, 1), "30");
    EXPECT_EQ(second.ToText(1), "30"); // global mode and format
    EXPECT_EQ(KTime(-KTime::kOneSecond).ToText(1, 6, 1), "- 30");
    EXPECT_EQ(KTime(-KTime::kOneSecond).ToText(5, 6, 1), "-30");
    EXPECT_EQ(KTime(KTime::kOneSecond + 20000000).ToText(5, 6, 1), "30*");
    EXPECT_EQ(KTime(-KTime::kOneSecond - 20000000).ToText(5, 6, 1), "- 30*");
    EXPECT_EQ(KTime(KTime::kOneSecond + 769769300).ToText(6, 6, 1), "30 (01)");
    EXPECT_EQ(KTime(-1539538600).ToText(4, 6, 0), "-01:59:59.29");
    char small[6];
    EXPECT_STREQ(t.ToText(small, sizeof(small), 4, 6, 0), "001:0");
}

TEST(KTimeTest, FromTextFrames)
{
    KTime t;
    ASSERT_TRUE(t.FromText("1.5", 6, 1));
    EXPECT_EQ(t.Get(), 2309307900LL);
    ASSERT_TRUE(t.FromText("0.5", 6, 1));
    const int64_t half = t.Get();
    ASSERT_TRUE(t.FromText(".50", 6, 1));
    EXPECT_EQ(t.Get(), half); // ".5" and ".50" are both 50 hundredths
    ASSERT_TRUE(t.FromText(".25", 6, 1));
    EXPECT_EQ(t.Get(), (25 * 2 * 769769300LL + 99) / 100);
    ASSERT_TRUE(t.FromText("30", 6, 1));
    EXPECT_EQ(t.Get(), KTime::kOneSecond);
    ASSERT_TRUE(t.FromText("-3", 6, 1));
    EXPECT_EQ(t.Get(), -3 * 1539538600LL);
    // A leading "-" with a zero count: "-0" is one frame, "-0.25" is -0.75 frame.
    ASSERT_TRUE(t.FromText("-0", 6, 1));
    EXPECT_EQ(t.Get(), 1539538600LL);
    ASSERT_TRUE(t.FromText("-0.25", 6, 1));
    EXPECT_EQ(t.Get(), (-75 * 2 * 769769300LL + 99) / 100);
    ASSERT_TRUE(t.FromText("12 (5)", 6, 1));
    EXPECT_EQ(t.Get(), 12 * 1539538600LL + (5 * 2 * 769769300LL + 99) / 100);
    ASSERT_TRUE(t.FromText("0(99999999999)", 6, 1)); // clamped to the int range
    KTime most;
    most.SetTimecodeWithResidual(0, 0, 0, 0, 0, INT32_MAX, 6);
    EXPECT_EQ(t.Get(), most.Get());
    const int64_t before = t.Get();
    EXPECT_FALSE(t.FromText("abc", 6, 1));
    EXPECT_FALSE(t.FromText("", 6, 1));
    EXPECT_FALSE(t.FromText("1234567890123456789", 6, 1)); // 19 characters
    EXPECT_FALSE(t.FromText(nullptr, 6, 1));
    EXPECT_FALSE(t.FromText("5", 99, 1));
    EXPECT_EQ(t.Get(), before);
}

TEST(KTimeTest, FromTextTimecode)
{
    KTime t;
    ASSERT_TRUE(t.FromText("001:02:03.04", 6, 0));
    EXPECT_EQ(t.Get(), Timecode(1, 2, 3, 4, 0, 6));
    ASSERT_TRUE(t.FromText("02:03", 6, 0));
    EXPECT_EQ(t.Get(), Timecode(0, 2, 3, 0, 0, 6));
    ASSERT_TRUE(t.FromText("7", 6, 0));
    EXPECT_EQ(t.Get(), 7 * KTime::kOneSecond);
    ASSERT_TRUE(t.FromText("0:0:1.2.5", 6, 0));
    KTime expected;
    expected.SetTimecodeWithResidual(0, 0, 1, 2, 0, 50, 6);
    EXPECT_EQ(t.Get(), expected.Get());
    ASSERT_TRUE(t.FromText("0;0;1.2 (25)", 6, 0));
    expected.SetTimecodeWithResidual(0, 0, 1, 2, 0, 25, 6);
    EXPECT_EQ(t.Get(), expected.Get());
    ASSERT_TRUE(t.FromText("-01:59:59.29", 6, 0));
    EXPECT_EQ(t.Get(), -1539538600LL);
    // Hundredths beyond the int range add up without overflowing.
    ASSERT_TRUE(t.FromText("..99(2147483647)", 6, 0));
    expected.SetTimecodeWithResidual(0, 0, 0, 0, 0, INT32_MAX, 6);
    EXPECT_EQ(t.Get(), expected.Get());
    ASSERT_TRUE(t.FromText("..-99(-2147483648", 6, 0));
    expected.SetTimecodeWithResidual(0, 0, 0, 0, 0, INT32_MIN, 6);
    EXPECT_EQ(t.Get(), expected.Get());
}

TEST(KTimeTest, TextRoundTripsOfFrameAlignedTimes)
{
    for (int mode : {1, 3, 6, 7, 8, 9, 10, 11, 12, 13})
        for (int64_t frames : {0LL, 1LL, 29LL, 1799LL, 1800LL, 17982LL, 107891LL, 250000LL})
        {
            const KTime t(frames * KTime::GetTicksPerFrame(mode));
            for (int format : {0, 1})
            {
                const std::string text = t.ToText(4, mode, format);
                KTime back(-7);
                ASSERT_TRUE(back.FromText(text.c_str(), mode, format)) << text;
                EXPECT_EQ(back.Get(), t.Get()) << "mode " << mode << " format " << format << " " << text;
            }
        }
}
