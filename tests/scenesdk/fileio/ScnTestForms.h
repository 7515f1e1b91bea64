#pragma once

// Scene documents for the reader's tests in every form a file takes: the
// text as written, the same tree in the binary encoding, and either of them
// sealed in a password-protected wrapper.

#include "scenesdk/fileio/KScn.h"
#include "tools/scnwriter/CScnWriter.h"
#include "tools/scnwriter/ScnConvert.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace scntest
{

// The text document in the binary encoding.
inline std::string Binary(const std::string& text)
{
    std::string out, why;
    EXPECT_TRUE(ScnTextToBinary(text, out, why)) << why;
    return out;
}

// A file of either encoding sealed with the password, behind the clear
// header of a header-only binary file.
inline std::string Protected(const std::string& inner, const std::string& password = "sesame")
{
    CScnWriter header(CScnWriter::eBinary);
    header.WriteHeader("tests");
    std::string bytes;
    EXPECT_TRUE(header.Finish(bytes)) << header.Error();
    return ScnEncrypt(inner, bytes.substr(12, bytes.size() - 20), 6000, password,
                      SScnEncryptCost::Cheapest());
}

struct SForm
{
    const char* name;
    std::string bytes;
};

// The text, binary, protected text and protected binary files of a text
// document (the protected ones under "sesame").
inline std::vector<SForm> EveryForm(const std::string& text)
{
    const std::string binary = Binary(text);
    return {{"text", text},
            {"binary", binary},
            {"protected text", Protected(text)},
            {"protected binary", Protected(binary)}};
}

} // namespace scntest
