// Array reads of field values against the single-value reads, in both
// encodings: uniform binary fields (read by stride), mixed ones (through the
// value table), texts, characters and out-of-range numbers must give the same
// numbers bit for bit, leave the cursor where the single reads would, and
// stop at the end of the field.

#include "scenesdk/fileio/KScn.h"
#include "tools/scnwriter/CScnWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

std::string Document(CScnWriter::EForm form)
{
    CScnWriter w(form);
    w.WriteHeader("tests", "2026-12-07 12:00:00");
    std::vector<double> doubles;
    std::vector<int32_t> ints;
    for (int i = 0; i < 300; ++i)
    {
        doubles.push_back(std::ldexp(static_cast<double>(i * 7919 % 1000) - 500.0, i % 40 - 20) + 0.1);
        ints.push_back(i % 2 ? -i * 12345 : std::numeric_limits<int32_t>::max() - i);
    }
    doubles.push_back(1e300);
    doubles.push_back(-0.0);
    w.BeginField("Uniform");
    w.BeginBlock();
    w.BeginField("Doubles");
    w.AddDoubles(doubles.data(), doubles.size());
    w.EndField();
    w.BeginField("Ints");
    w.AddInts(ints.data(), ints.size());
    w.EndField();
    w.BeginField("Longs");
    for (int64_t v : {int64_t{5}, std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min(),
                      int64_t{-3000000000}})
        w.AddLong(v);
    w.EndField();
    w.EndBlock();
    w.EndField();
    // Mixed types: a double array with one integer in the middle, texts that
    // are numbers or not, characters, floats and huge values that saturate.
    w.BeginField("Mixed");
    w.AddDoubles(doubles.data(), 20);
    w.AddInt(42);
    w.AddDoubles(doubles.data() + 20, 20);
    w.AddString("+12.5");
    w.AddString("abc");
    w.AddString("1e3");
    w.AddString("99999999999999999999");
    w.AddChar('7');
    w.AddChar('x');
    w.AddFloat(2.75f);
    w.AddDouble(1e19);
    w.AddDouble(-1e19);
    w.AddDouble(std::nan(""));
    w.AddLong(int64_t{1} << 40);
    w.EndField();
    w.BeginField("Empty");
    w.EndField();
    std::string out;
    EXPECT_TRUE(w.Finish(out)) << w.Error();
    return out;
}

template <typename T> bool SameBits(const std::vector<T>& a, const std::vector<T>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Every value of the field named path (a field of the root, or of "Uniform"),
// read one at a time and then by arrays in chunks of the given size.
template <typename T, typename One, typename Many>
void CheckField(const std::string& file, const char* block, const char* name, int chunk, One one, Many many)
{
    KScn single;
    KScn batch;
    ASSERT_TRUE(single.OpenMemory(file.data(), file.size()));
    ASSERT_TRUE(batch.OpenMemory(file.data(), file.size()));
    for (KScn* scn : {&single, &batch})
    {
        if (block != nullptr)
        {
            ASSERT_TRUE(scn->OpenField(block));
            ASSERT_TRUE(scn->EnterFieldBlock());
        }
        ASSERT_TRUE(scn->OpenField(name));
    }
    std::vector<T> expected;
    while (single.RemainingValueCount() > 0)
        expected.push_back(one(single));
    std::vector<T> got;
    for (;;)
    {
        const int before = batch.RemainingValueCount();
        std::vector<T> part(static_cast<size_t>(chunk) + 1, T{});
        const int n = many(batch, part.data(), chunk);
        ASSERT_EQ(n, std::min(before, chunk));
        ASSERT_EQ(batch.RemainingValueCount(), before - n);
        if (n == 0)
            break;
        got.insert(got.end(), part.begin(), part.begin() + n);
        ASSERT_EQ(part[static_cast<size_t>(n)], T{}) << "wrote past the values read";
    }
    EXPECT_TRUE(SameBits(got, expected)) << name << " chunk " << chunk;
    // Past the end: nothing read, and the single read gives 0 as before.
    T spare{};
    EXPECT_EQ(many(batch, &spare, 4), 0);
    EXPECT_EQ(one(batch), T{});
}

TEST(KScnArrayRead, ArraysMatchSingleReadsInBothEncodings)
{
    const auto oneD = [](KScn& s) { return s.NextValueAsDouble(); };
    const auto manyD = [](KScn& s, double* out, int n) { return s.NextValuesAsDouble(out, n); };
    const auto oneI = [](KScn& s) { return s.NextValueAsInt(); };
    const auto manyI = [](KScn& s, int32_t* out, int n) { return s.NextValuesAsInt(out, n); };
    const auto oneL = [](KScn& s) { return s.NextValueAsLong(); };
    const auto manyL = [](KScn& s, int64_t* out, int n) { return s.NextValuesAsLong(out, n); };
    for (CScnWriter::EForm form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        SCOPED_TRACE(form == CScnWriter::eText ? "text" : "binary");
        const std::string file = Document(form);
        for (int chunk : {1, 7, 1000})
        {
            for (const char* name : {"Doubles", "Ints", "Longs"})
            {
                CheckField<double>(file, "Uniform", name, chunk, oneD, manyD);
                CheckField<int32_t>(file, "Uniform", name, chunk, oneI, manyI);
                CheckField<int64_t>(file, "Uniform", name, chunk, oneL, manyL);
            }
            CheckField<double>(file, nullptr, "Mixed", chunk, oneD, manyD);
            CheckField<int32_t>(file, nullptr, "Mixed", chunk, oneI, manyI);
            CheckField<int64_t>(file, nullptr, "Mixed", chunk, oneL, manyL);
            CheckField<double>(file, nullptr, "Empty", chunk, oneD, manyD);
        }
    }
}

TEST(KScnArrayRead, RefusedArgumentsAndNoFieldReadNothing)
{
    const std::string file = Document(CScnWriter::eBinary);
    KScn scn;
    ASSERT_TRUE(scn.OpenMemory(file.data(), file.size()));
    double out[4] = {};
    EXPECT_EQ(scn.NextValuesAsDouble(out, 4), 0); // no field open
    // The arrays of one type are stored by stride, the mixed field by table.
    const KScnTree& tree = scn.GetTree();
    std::vector<std::pair<std::string, uint32_t>> strides;
    for (uint32_t i = 0; i < tree.FieldCount(); ++i)
        strides.emplace_back(tree.Name(tree.Field(i)), tree.Field(i).stride);
    EXPECT_NE(std::find(strides.begin(), strides.end(), std::make_pair(std::string("Doubles"), 9u)),
              strides.end());
    EXPECT_NE(std::find(strides.begin(), strides.end(), std::make_pair(std::string("Ints"), 5u)),
              strides.end());
    EXPECT_NE(std::find(strides.begin(), strides.end(), std::make_pair(std::string("Mixed"), 0u)),
              strides.end());
    ASSERT_TRUE(scn.OpenField("Mixed"));
    EXPECT_EQ(scn.NextValuesAsDouble(out, -1), 0);
    EXPECT_EQ(scn.NextValuesAsDouble(nullptr, 4), 0);
    EXPECT_EQ(scn.NextValuesAsDouble(out, 0), 0);
    EXPECT_EQ(scn.RemainingValueCount(), 52);
    // A single read and an array read continue one another.
    const double first = scn.NextValueAsDouble();
    EXPECT_EQ(scn.NextValuesAsDouble(out, 2), 2);
    KScn again;
    ASSERT_TRUE(again.OpenMemory(file.data(), file.size()));
    ASSERT_TRUE(again.OpenField("Mixed"));
    EXPECT_EQ(again.NextValueAsDouble(), first);
    EXPECT_EQ(again.NextValueAsDouble(), out[0]);
    EXPECT_EQ(again.NextValueAsDouble(), out[1]);
    scn.Close();
    EXPECT_EQ(scn.NextValuesAsDouble(out, 4), 0);
}

} // namespace

namespace
{

// Texts of numbers as files hold them (short decimals take a quick path),
// and texts around its limits (16 digits, exponents, leading zeros, lone
// signs and points, trailing bytes): each converts to the bits the full
// conversion gives.
TEST(KScnArrayRead, TextNumbersConvertExactly)
{
    auto reference = [](const char* s)
    {
        if (*s == '+')
            ++s;
        double v = 0.0;
        const auto r = std::from_chars(s, s + std::strlen(s), v);
        if (r.ec == std::errc::result_out_of_range)
            return std::strtod(s, nullptr);
        return r.ec == std::errc() ? v : 0.0;
    };
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "-0.0",
                                      "+1.5",
                                      "5.",
                                      ".5",
                                      "-.5",
                                      ".",
                                      "-",
                                      "",
                                      "1e5",
                                      "1.e5",
                                      "2E-3",
                                      "1e",
                                      "inf",
                                      "-nan",
                                      "0x10",
                                      "12abc",
                                      "1.5.3",
                                      "000000000000000123",
                                      "0.000000000000001234",
                                      "123456789012345",
                                      "1234567890123456",
                                      "12345678901234567",
                                      "1.23456789012345",
                                      "1.234567890123456",
                                      "9007199254740993",
                                      "0.1",
                                      "0.3",
                                      "-127.5390625",
                                      "1e400",
                                      "1e-400",
                                      "4.9406564584124654e-324"};
    unsigned seed = 99;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < 20000; ++i)
    {
        std::string t = next() % 3 == 0 ? "-" : "";
        const unsigned intDigits = next() % 10;
        const unsigned fracDigits = next() % 12;
        for (unsigned k = 0; k < intDigits; ++k)
            t += static_cast<char>('0' + next() % 10);
        if (next() % 4 != 0)
            t += '.';
        for (unsigned k = 0; k < fracDigits; ++k)
            t += static_cast<char>('0' + next() % 10);
        texts.push_back(t);
    }
    for (const std::string& t : texts)
    {
        const double want = reference(t.c_str());
        const double got = ScnTextToDouble(t.c_str(), t.c_str() + t.size() + 1);
        ASSERT_EQ(std::memcmp(&want, &got, sizeof got), 0) << '"' << t << '"';
    }
}

} // namespace
