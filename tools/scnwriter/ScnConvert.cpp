#include "tools/scnwriter/ScnConvert.h"

#include "scenesdk/fileio/KScn.h"
#include "tools/scnwriter/CScnWriter.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

void ScnCopyBlock(scenesdk::KScn& in, CScnWriter& w)
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
            ScnCopyBlock(in, w);
            w.EndBlock();
            in.LeaveFieldBlock();
        }
        w.EndField();
    }
}

bool ScnTextToBinary(const std::string& text, std::string& out, std::string& why)
{
    scenesdk::KScn in;
    if (!in.OpenMemory(text.data(), text.size()))
    {
        why = in.GetStatusText();
        return false;
    }
    CScnWriter w(CScnWriter::eBinary);
    w.WriteHeader("tests");
    ScnCopyBlock(in, w);
    if (!w.Finish(out))
    {
        why = w.Error();
        return false;
    }
    return true;
}
