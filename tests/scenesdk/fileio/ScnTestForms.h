#pragma once

// Scene documents for the reader's tests in every form a file takes: the
// text as written, the same tree in the binary encoding, and either of them
// sealed in a password-protected wrapper.

#include "scenesdk/fileio/KScn.h"
#include "tools/scnwriter/CScnWriter.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace scntest
{

// Copies the fields of the open block into the writer, each value in the
// binary type a writer would give it: integers as I (L past 32 bits), other
// numbers as D, single letters as C, everything else as texts; in a key list
// the times (a number at the start or after a letter) as L, the other
// numbers as D. The file's own header is left out.
inline void CopyBlock(scenesdk::KScn& in, CScnWriter& w)
{
    while (in.OpenNextField())
    {
        if (std::strcmp(in.GetFieldName(), "FileHeader") == 0)
            continue;
        w.BeginField(in.GetFieldName());
        const bool keys = std::strcmp(in.GetFieldName(), "Key") == 0;
        bool timeDue = true;
        while (in.RemainingValueCount() > 0)
        {
            const std::string v = in.NextValueAsString();
            char* end = nullptr;
            const double d = std::strtod(v.c_str(), &end);
            const bool letter = v.size() == 1 && std::isalpha(static_cast<unsigned char>(v[0]));
            const bool number = !v.empty() && *end == '\0';
            if (keys && number && timeDue)
                w.AddLong(std::strtoll(v.c_str(), nullptr, 10));
            else if (letter)
                w.AddChar(v[0]);
            else if (!number)
                w.AddString(v);
            else if (keys || v.find_first_of(".eE") != std::string::npos)
                w.AddDouble(d);
            else if (d > 2147483647.0 || d < -2147483648.0)
                w.AddLong(std::strtoll(v.c_str(), nullptr, 10));
            else
                w.AddInt(static_cast<int32_t>(d));
            timeDue = letter;
        }
        if (in.HasFieldBlock() && in.EnterFieldBlock())
        {
            w.BeginBlock();
            CopyBlock(in, w);
            w.EndBlock();
            in.LeaveFieldBlock();
        }
        w.EndField();
    }
}

// The text document in the binary encoding.
inline std::string Binary(const std::string& text)
{
    scenesdk::KScn in;
    EXPECT_TRUE(in.OpenMemory(text.data(), text.size())) << in.GetStatusText();
    CScnWriter w(CScnWriter::eBinary);
    w.WriteHeader("tests");
    CopyBlock(in, w);
    std::string out;
    EXPECT_TRUE(w.Finish(out)) << w.Error();
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
