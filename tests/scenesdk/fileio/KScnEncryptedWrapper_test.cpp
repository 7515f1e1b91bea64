#include "scenesdk/fileio/KScnEncryptedWrapper.h"

#include "scenesdk/fileio/KScnReaderScn.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/TempDir.h"
#include "tools/scnwriter/CScnWriter.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

using W = KScnEncryptedWrapper;

std::string Inner(CScnWriter::EForm form, const char* model, int32_t version = 6000)
{
    CScnWriter w(form, version);
    w.WriteHeader("tests", "2026-12-07 12:00:00");
    if (model != nullptr)
    {
        w.BeginField("Objects");
        w.BeginBlock();
        w.BeginField("Model");
        w.AddString(model);
        w.EndField();
        w.EndBlock();
        w.EndField();
    }
    std::string out;
    EXPECT_TRUE(w.Finish(out)) << w.Error();
    return out;
}

// The records of a header-only binary file: what stays readable.
std::string ClearHeader()
{
    const std::string file = Inner(CScnWriter::eBinary, nullptr);
    return file.substr(12, file.size() - 20);
}

std::string Protect(const std::string& inner, const std::string& password,
                    const SScnEncryptCost& cost = SScnEncryptCost::Cheapest())
{
    return ScnEncrypt(inner, ClearHeader(), 6000, password, cost);
}

void SetU32(std::string& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

uint32_t U32At(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0 && at + 4 <= b.size(); --i)
        v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
    return v;
}

// Rewrites the CRC, as someone altering a file on purpose would.
std::string Recrc(std::string b)
{
    SetU32(b, b.size() - 8,
           static_cast<uint32_t>(
               crc32(0L, reinterpret_cast<const Bytef*>(b.data()), static_cast<uInt>(b.size() - 8))));
    return b;
}

std::string Text(const std::vector<char>& v)
{
    return std::string(v.begin(), v.end());
}

} // namespace

TEST(KScnEncryptedWrapper, RoundTripOfTextAndBinaryFiles)
{
    const std::string header = ClearHeader();
    for (CScnWriter::EForm form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        const std::string inner = Inner(form, "Tower");
        const std::string file = Protect(inner, "sesame");
        ASSERT_FALSE(file.empty());
        W w;
        ASSERT_TRUE(w.Open(file.data(), file.size())) << w.GetError();
        EXPECT_EQ(w.GetWrapperVersion(), 2u);
        EXPECT_EQ(w.GetFileVersion(), 6000);
        EXPECT_EQ(w.GetClearHeader(), header);
        EXPECT_EQ(w.GetOps(), W::kMinOps);
        EXPECT_EQ(w.GetMemoryKiB(), W::kMinMemoryKiB);
        EXPECT_EQ(file.size(), W::kFixedBytes + header.size() + inner.size() + W::kTagBytes);
        // The file inside is not readable in the wrapper.
        EXPECT_EQ(file.find("Tower"), std::string::npos);
        std::vector<char> plain;
        ASSERT_EQ(w.Decrypt("sesame", plain), W::eDecrypted);
        EXPECT_EQ(Text(plain), inner);
        // Again: decrypting leaves the wrapper as it was.
        ASSERT_EQ(w.Decrypt("sesame", plain), W::eDecrypted);
        EXPECT_EQ(Text(plain), inner);

        for (const char* wrong : {"", "Sesame", "sesame ", "sesam"})
        {
            plain.assign(3, 'x');
            EXPECT_EQ(w.Decrypt(wrong, plain), W::eWrongPassword) << wrong;
            EXPECT_TRUE(plain.empty());
        }
    }
    // Salt and nonce are new for every file.
    const std::string inner = Inner(CScnWriter::eText, "Tower");
    const std::string a = Protect(inner, "sesame"), b = Protect(inner, "sesame");
    const size_t salt = 20 + header.size();
    EXPECT_NE(a.substr(salt, W::kSaltBytes), b.substr(salt, W::kSaltBytes));
    EXPECT_NE(a.substr(salt + 24, W::kNonceBytes), b.substr(salt + 24, W::kNonceBytes));
}

TEST(KScnEncryptedWrapper, DefaultCostRoundTrip)
{
    const std::string inner = Inner(CScnWriter::eBinary, "Tower");
    const std::string file = ScnEncrypt(inner, ClearHeader(), 6000, "pässwort");
    W w;
    ASSERT_TRUE(w.Open(file.data(), file.size())) << w.GetError();
    EXPECT_EQ(w.GetOps(), W::kDefaultOps);
    EXPECT_EQ(w.GetMemoryKiB(), W::kDefaultMemoryKiB);
    std::vector<char> plain;
    ASSERT_EQ(w.Decrypt("pässwort", plain), W::eDecrypted);
    EXPECT_EQ(Text(plain), inner);
}

// Any one bit flipped before the trailer: a plain flip fails the CRC; a flip
// with the CRC rewritten fails the wrapper's checks or the authentication.
// Never a different file.
TEST(KScnEncryptedWrapper, EveryFlippedBitIsRefused)
{
    const std::string inner = Inner(CScnWriter::eText, "Tower");
    const std::string file = Protect(inner, "sesame");
    int refusedAtOpen = 0, refusedAtDecrypt = 0;
    for (size_t at = 0; at + 8 < file.size(); ++at)
        for (int bit = 0; bit < 8; ++bit)
        {
            std::string flipped = file;
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
            W w;
            ASSERT_FALSE(w.Open(flipped.data(), flipped.size())) << at;
            EXPECT_EQ(w.GetError(), "encrypted file: bad wrapper or checksum");
            flipped = Recrc(flipped);
            if (!w.Open(flipped.data(), flipped.size()))
            {
                ++refusedAtOpen;
                continue;
            }
            std::vector<char> plain;
            ASSERT_EQ(w.Decrypt("sesame", plain), W::eWrongPassword) << "byte " << at << " bit " << bit;
            ++refusedAtDecrypt;
        }
    // Only the structural fields fail at open; header, salt, cost, nonce and
    // body all reach the authentication.
    EXPECT_GT(refusedAtDecrypt, 8 * static_cast<int>(inner.size() + ClearHeader().size() + 40));
    EXPECT_GT(refusedAtOpen, 0);
    // The trailer itself.
    for (size_t at = file.size() - 8; at < file.size(); ++at)
    {
        std::string flipped = file;
        flipped[at] ^= 4;
        W w;
        EXPECT_FALSE(w.Open(flipped.data(), flipped.size())) << at;
    }
}

// A hostile cost is refused by Open, which derives no key; the writer does
// not write one either.
TEST(KScnEncryptedWrapper, CostOutsideTheBoundsIsRefusedBeforeAnyWork)
{
    const std::string file = Protect(Inner(CScnWriter::eText, "Tower"), "sesame");
    const size_t ops = 20 + ClearHeader().size() + W::kSaltBytes, memory = ops + 4;
    const struct
    {
        uint32_t ops, memoryKiB;
        bool accepted;
    } cases[] = {
        {0, W::kMinMemoryKiB, false},
        {W::kMaxOps + 1, W::kMinMemoryKiB, false},
        {0xFFFFFFFFu, W::kMinMemoryKiB, false},
        {W::kMinOps, W::kMinMemoryKiB - 1, false},
        {W::kMinOps, W::kMaxMemoryKiB + 1, false},
        {W::kMinOps, 0xFFFFFFFFu, false},
        {0xFFFFFFFFu, 0xFFFFFFFFu, false},
        {W::kMaxOps, W::kMaxMemoryKiB, true},
    };
    for (const auto& c : cases)
    {
        std::string hostile = file;
        SetU32(hostile, ops, c.ops);
        SetU32(hostile, memory, c.memoryKiB);
        hostile = Recrc(hostile);
        W w;
        // An accepted hostile cost would make the Decrypt below derive a key
        // for hours.
        ASSERT_EQ(w.Open(hostile.data(), hostile.size()), c.accepted) << c.ops << " " << c.memoryKiB;
        if (!c.accepted)
        {
            EXPECT_EQ(w.GetError(), "encrypted file: key derivation cost out of bounds (" +
                                        std::to_string(c.ops) + " passes, " + std::to_string(c.memoryKiB) +
                                        " KiB)");
            EXPECT_FALSE(w.IsOpen());
            std::vector<char> plain;
            EXPECT_EQ(w.Decrypt("sesame", plain), W::eWrongPassword);
            EXPECT_EQ(ScnEncrypt("x", "", 6000, "sesame", {c.ops, c.memoryKiB}), "");
        }
    }
}

TEST(KScnEncryptedWrapper, BrokenStructureWithAValidCrc)
{
    const std::string header = ClearHeader();
    const std::string file = Protect(Inner(CScnWriter::eBinary, "Tower"), "sesame");
    const size_t sealedLength = 20 + header.size() + 48;
    const struct
    {
        size_t at;
        uint32_t value;
        const char* error;
    } cases[] = {
        {8, 0, "unknown wrapper version 0"},
        {8, 3, "unknown wrapper version 3"},
        {8, 999, "unknown wrapper version 999"},
        {16, static_cast<uint32_t>(file.size()), "header length out of range"},
        {16, 0xFFFFFFFFu, "header length out of range"},
        {sealedLength, 3, "body length does not fit"},
        {sealedLength + 4, 1, "body length does not fit"},
    };
    for (const auto& c : cases)
    {
        std::string broken = file;
        SetU32(broken, c.at, c.value);
        broken = Recrc(broken);
        W w;
        EXPECT_FALSE(w.Open(broken.data(), broken.size())) << c.error;
        EXPECT_EQ(w.GetError(), std::string("encrypted file: ") + c.error);
    }
    // Cut short, with the trailer made right again.
    for (size_t keep : {size_t(0), size_t(8), size_t(16), W::kFixedBytes - 1, file.size() - 9})
    {
        std::string cut = file.substr(0, keep);
        if (keep >= 8)
            cut = Recrc(file.substr(0, keep - 8) + std::string(4, '\0') + "SCNE");
        W w;
        EXPECT_FALSE(w.Open(cut.data(), cut.size())) << keep;
    }
    // A sealed part of the tag alone (an empty file inside).
    const std::string empty = Protect("", "sesame");
    W w;
    EXPECT_FALSE(w.Open(empty.data(), empty.size()));
    EXPECT_EQ(w.GetError(), "encrypted file: body length does not fit");
    EXPECT_FALSE(w.Open(nullptr, 100));
}

// A file written before version 2 (its bytes kept in the repository).
TEST(KScnEncryptedWrapper, VersionOneFileStillOpens)
{
    const std::string file = testsupport::ReadRepoFile("tests/scenesdk/fileio/data/protected-v1.scn");
    ASSERT_FALSE(file.empty());
    W w;
    ASSERT_TRUE(w.Open(file.data(), file.size())) << w.GetError();
    EXPECT_EQ(w.GetWrapperVersion(), 1u);
    EXPECT_EQ(w.GetFileVersion(), 6000);
    EXPECT_EQ(w.GetClearHeader(), ClearHeader());
    std::vector<char> plain;
    EXPECT_EQ(w.Decrypt("Sesame", plain), W::eWrongPassword);
    ASSERT_EQ(w.Decrypt("sesame", plain), W::eDecrypted);
    EXPECT_EQ(Text(plain), Inner(CScnWriter::eText, "Tower"));
}

namespace
{

// A version-1 file around another inner file, made from the kept one: its
// check and salt stay, and its key stream is the kept body XOR the kept
// inner file (version 1 has no authentication to forbid this).
std::string VersionOneAround(const std::string& inner, int32_t version)
{
    const std::string kept = testsupport::ReadRepoFile("tests/scenesdk/fileio/data/protected-v1.scn");
    const std::string keptInner = Inner(CScnWriter::eText, "Tower");
    const size_t h = U32At(kept, 12);
    const std::string body = kept.substr(48 + h, kept.size() - 56 - h);
    if (kept.empty() || body.size() != keptInner.size() || inner.size() > body.size())
        return std::string();
    CScnWriter w(CScnWriter::eBinary, version);
    w.WriteHeader("tests", "2026-12-07 12:00:00");
    std::string header;
    EXPECT_TRUE(w.Finish(header));
    header = header.substr(12, header.size() - 20);
    std::string out = kept.substr(0, 12);
    SetU32(out, 8, static_cast<uint32_t>(version));
    out.append(4, '\0');
    SetU32(out, 12, static_cast<uint32_t>(header.size()));
    out += header + kept.substr(16 + h, 24); // salt and check
    std::string length(8, '\0');
    SetU32(length, 0, static_cast<uint32_t>(inner.size()));
    out += length;
    for (size_t i = 0; i < inner.size(); ++i)
        out.push_back(static_cast<char>(inner[i] ^ body[i] ^ keptInner[i]));
    out.append(8, '\0');
    std::memcpy(&out[out.size() - 4], "SCNE", 4);
    return Recrc(out);
}

class ProtectedFileTest : public testsupport::TempDirTest
{
protected:
    // Opens and reads the file; the reader's error id, -1 on success.
    int Read(const std::string& bytes, const char* password, bool* opened = nullptr)
    {
        const std::string path = m_Dir.WriteFile("locked.scn", bytes);
        KScnReaderScn reader(&mManager, nullptr);
        const bool open = reader.OpenFile(path.c_str());
        if (opened != nullptr)
            *opened = open;
        if (!open)
            return reader.GetError().GetLastErrorID();
        EXPECT_EQ(reader.GetFileKind(), 2);
        EXPECT_EQ(reader.GetHeaderValue(1), 1);
        KStreamOptionsScn* options = reader.CreateReadOptions(true);
        EXPECT_NE(options, nullptr);
        if (options == nullptr)
            return -2;
        options->mPassword = password;
        const bool ok = reader.ReadScene(mScene, options);
        mStatus = reader.GetStatusText();
        options->Destroy(0);
        return ok ? -1 : reader.GetError().GetLastErrorID();
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
    std::string mStatus;
};

} // namespace

TEST_F(ProtectedFileTest, ReaderOpensBothWrapperVersions)
{
    const std::string v1 = testsupport::ReadRepoFile("tests/scenesdk/fileio/data/protected-v1.scn");
    const std::string v2 = Protect(Inner(CScnWriter::eBinary, "Tower"), "sesame");
    for (const std::string* file : {&v1, &v2})
    {
        EXPECT_EQ(Read(*file, "wrong"), KScnReaderScn::eWrongPassword);
        EXPECT_EQ(mStatus, file == &v1 ? "wrong password" : "wrong password or altered file");
        EXPECT_EQ(Read(*file, ""), KScnReaderScn::eWrongPassword);
        EXPECT_EQ(mScene->GetRootNode()->GetChildCount(), 0);
        ASSERT_EQ(Read(*file, "sesame"), -1) << mStatus;
        ASSERT_EQ(mScene->GetRootNode()->GetChildCount(), 1);
        EXPECT_STREQ(mScene->GetRootNode()->GetChild(0)->GetName(), "Model::Tower");
        mScene->Clear();
    }
}

TEST_F(ProtectedFileTest, AlteredFilesAreRefusedWithTheirErrors)
{
    const std::string header = ClearHeader();
    const std::string file = Protect(Inner(CScnWriter::eText, "Tower"), "sesame");
    // One bit in the clear header, salt, nonce and body: with the CRC as it
    // was, the file is corrupted at open; with the CRC rewritten, the
    // authentication fails like a wrong password.
    const size_t where[] = {20 + header.find("tests"), 20 + header.size() + 3, 20 + header.size() + 30,
                            file.size() - 30};
    for (size_t at : where)
    {
        std::string altered = file;
        altered[at] ^= 0x10;
        bool opened = true;
        EXPECT_EQ(Read(altered, "sesame", &opened), KScnReaderScn::eFileCorrupted) << at;
        EXPECT_FALSE(opened);
        EXPECT_EQ(Read(Recrc(altered), "sesame", &opened), KScnReaderScn::eWrongPassword) << at;
        EXPECT_TRUE(opened);
    }
    EXPECT_EQ(mScene->GetRootNode()->GetChildCount(), 0);

    // Cost beyond the bounds: refused at open, before a key is derived
    // (the test stops there rather than derive one).
    std::string hostile = file;
    SetU32(hostile, 20 + header.size() + 20, W::kMaxMemoryKiB * 2);
    KScnReaderScn reader(&mManager, nullptr);
    ASSERT_FALSE(reader.OpenFile(m_Dir.WriteFile("hostile.scn", Recrc(hostile)).c_str()));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReaderScn::eFileCorrupted);

    // A sealed file whose own header disagrees with the clear one.
    CScnWriter w(CScnWriter::eText);
    w.WriteHeader("someone else");
    std::string other;
    ASSERT_TRUE(w.Finish(other));
    EXPECT_EQ(Read(Protect(other, "sesame"), "sesame"), KScnReaderScn::eFileCorrupted);
    EXPECT_EQ(mStatus, "encrypted file: body header differs from the clear header");
}

// The first readable file version, 1000, read inside a version-1 wrapper
// (whose offset 8 holds the file version); 999 there is no version at all.
TEST_F(ProtectedFileTest, VersionOneWrapperAroundTheFirstReadableVersion)
{
    const std::string first = VersionOneAround(Inner(CScnWriter::eText, "Tower", 1000), 1000);
    ASSERT_FALSE(first.empty());
    bool opened = false;
    ASSERT_EQ(Read(first, "sesame", &opened), -1) << mStatus;
    EXPECT_TRUE(opened);
    ASSERT_EQ(mScene->GetRootNode()->GetChildCount(), 1);
    EXPECT_STREQ(mScene->GetRootNode()->GetChild(0)->GetName(), "Model::Tower");

    const std::string older = VersionOneAround(Inner(CScnWriter::eText, "Tower", 999), 999);
    ASSERT_FALSE(older.empty());
    EXPECT_EQ(Read(older, "sesame", &opened), KScnReaderScn::eFileCorrupted);
    EXPECT_FALSE(opened);
    W w;
    EXPECT_FALSE(w.Open(older.data(), older.size()));
    EXPECT_EQ(w.GetError(), "encrypted file: unknown wrapper version 999");
}
