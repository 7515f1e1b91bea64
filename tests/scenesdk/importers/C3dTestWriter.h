#pragma once

// A small C3D writer for the tests, the fuzz seeds and the benchmark: a
// header block, the parameter section (groups POINT, ANALOG and, for long
// trials, TRIAL) and the frames, in any of the three processor types'
// number formats, with float or scaled 16-bit integer data. Hostile files
// are made by patching what it writes (RecordAt finds a parameter's record).

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testsupport
{

struct C3dSample
{
    double x = 0.0, y = 0.0, z = 0.0;
    bool present = true;
    double fourth = 3.0; // the residual word of a present sample
};

class C3dTestWriter
{
public:
    int mProcessor = 1;  // 1 Intel, 2 DEC, 3 MIPS
    bool mFloats = true; // false: 16-bit integers times mScale
    double mScale = 0.1;
    double mRate = 120.0;
    std::string mUnits = "mm";
    std::vector<std::string> mLabels; // one per point, past 255 in LABELS2
    int mUnlabelled = 0;              // points after the labelled ones
    int mFirstFrame = 1;
    int mAnalogChannels = 0; // zeros after the points of each frame
    int mAnalogPerFrame = 1; // samples per channel per point frame
    bool mTrial = false;     // the frame range also in TRIAL:ACTUAL_*_FIELD
    // mFrames[frame][point]
    std::vector<std::vector<C3dSample>> mFrames;

    std::string Write() const
    {
        const int points = static_cast<int>(mLabels.size()) + mUnlabelled;
        const int64_t frames = static_cast<int64_t>(mFrames.size());
        const int64_t last = mFirstFrame + frames - 1;
        std::string params;
        Group(params, 1, "POINT");
        Int16s(params, 1, "USED", {points});
        Int16s(params, 1, "FRAMES", {static_cast<int>(frames > 65535 ? 65535 : frames)});
        Float(params, 1, "SCALE", mFloats ? -std::fabs(mScale) : mScale);
        Float(params, 1, "RATE", mRate);
        const size_t dataStartAt = Int16s(params, 1, "DATA_START", {0});
        const size_t first = mLabels.size() < 255 ? mLabels.size() : 255;
        Chars(params, 1, "LABELS", {mLabels.begin(), mLabels.begin() + static_cast<long>(first)});
        if (mLabels.size() > first)
            Chars(params, 1, "LABELS2", {mLabels.begin() + static_cast<long>(first), mLabels.end()});
        Chars(params, 1, "UNITS", {mUnits});
        Group(params, 2, "ANALOG");
        Int16s(params, 2, "USED", {mAnalogChannels});
        Float(params, 2, "RATE", mRate * mAnalogPerFrame);
        if (mTrial)
        {
            Group(params, 3, "TRIAL");
            Int16s(params, 3, "ACTUAL_START_FIELD", {mFirstFrame & 0xffff, mFirstFrame >> 16});
            Int16s(params, 3, "ACTUAL_END_FIELD",
                   {static_cast<int>(last & 0xffff), static_cast<int>(last >> 16)});
        }
        params[mLastNext] = 0; // the last record ends the chain
        params[mLastNext + 1] = 0;
        const int paramBlocks = static_cast<int>((params.size() + 4 + 511) / 512);
        const int dataBlock = 2 + paramBlocks;
        Put16(&params[dataStartAt], dataBlock);

        std::string file(512, '\0');
        file[0] = 2;
        file[1] = 0x50;
        Put16(&file[2], points);
        Put16(&file[4], mAnalogChannels * mAnalogPerFrame);
        Put16(&file[6], mFirstFrame);
        Put16(&file[8], static_cast<int>(last > 65535 ? 65535 : last));
        PutFloat(&file[12], mFloats ? -std::fabs(mScale) : mScale);
        Put16(&file[16], dataBlock);
        Put16(&file[18], mAnalogPerFrame);
        PutFloat(&file[20], mRate);
        std::string section(static_cast<size_t>(paramBlocks) * 512, '\0');
        section[2] = static_cast<char>(paramBlocks);
        section[3] = static_cast<char>(83 + mProcessor);
        std::memcpy(&section[4], params.data(), params.size());
        file += section;
        AppendFrames(file);
        file.resize((file.size() + 511) / 512 * 512, '\0');
        return file;
    }

    // Offset in a written file of the record (group or parameter) of that
    // name in the parameter section; npos when missing.
    static size_t RecordAt(const std::string& file, const std::string& name, int nth = 0)
    {
        for (size_t at = 512; (at = file.find(name, at)) != std::string::npos; ++at)
            if (at >= 514 && static_cast<unsigned char>(file[at - 2]) == name.size() && nth-- == 0)
                return at - 2;
        return std::string::npos;
    }

    void Put16(char* at, int value) const
    {
        const unsigned v = static_cast<unsigned>(value) & 0xffffu;
        at[mProcessor == 3 ? 1 : 0] = static_cast<char>(v & 0xff);
        at[mProcessor == 3 ? 0 : 1] = static_cast<char>(v >> 8);
    }

    void PutFloat(char* at, double value) const
    {
        float f = static_cast<float>(mProcessor == 2 ? value * 4.0 : value);
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        if (mProcessor == 2 && value == 0.0)
            bits = 0;
        const unsigned char le[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                     static_cast<unsigned char>(bits >> 16),
                                     static_cast<unsigned char>(bits >> 24)};
        // DEC: the half with sign and exponent first, each half little-endian.
        static const int kOrder[3][4] = {{0, 1, 2, 3}, {2, 3, 0, 1}, {3, 2, 1, 0}};
        for (int i = 0; i < 4; ++i)
            at[i] = static_cast<char>(le[kOrder[mProcessor - 1][i]]);
    }

private:
    void Record(std::string& out, int id, const std::string& name, const std::string& body) const
    {
        out += static_cast<char>(name.size());
        out += static_cast<char>(id);
        out += name;
        mLastNext = out.size();
        out += std::string(2, '\0');
        Put16(&out[mLastNext], static_cast<int>(body.size() + 2));
        out += body;
    }

    void Group(std::string& out, int id, const char* name) const
    {
        Record(out, -id, name, std::string(1, '\0'));
    }

    size_t Int16s(std::string& out, int group, const char* name, const std::vector<int>& values) const
    {
        std::string body;
        body += static_cast<char>(2);
        body += static_cast<char>(values.size() == 1 ? 0 : 1);
        if (values.size() != 1)
            body += static_cast<char>(values.size());
        const size_t data = body.size();
        body += std::string(values.size() * 2, '\0');
        for (size_t i = 0; i < values.size(); ++i)
            Put16(&body[data + 2 * i], values[i]);
        body += '\0';
        Record(out, group, name, body);
        return out.size() - body.size() + data;
    }

    void Float(std::string& out, int group, const char* name, double value) const
    {
        std::string body = {static_cast<char>(4), '\0', '\0', '\0', '\0', '\0', '\0'};
        PutFloat(&body[2], value);
        Record(out, group, name, body);
    }

    void Chars(std::string& out, int group, const char* name, const std::vector<std::string>& strings) const
    {
        size_t length = 1;
        for (const std::string& s : strings)
            length = s.size() > length ? s.size() : length;
        std::string body = {static_cast<char>(-1), static_cast<char>(2), static_cast<char>(length),
                            static_cast<char>(strings.size())};
        for (const std::string& s : strings)
            body += s + std::string(length - s.size(), ' ');
        body += '\0';
        Record(out, group, name, body);
    }

    void AppendFrames(std::string& file) const
    {
        const size_t word = mFloats ? 4 : 2;
        const size_t analog = static_cast<size_t>(mAnalogChannels * mAnalogPerFrame);
        std::string frame;
        for (const std::vector<C3dSample>& samples : mFrames)
        {
            frame.assign((samples.size() * 4 + analog) * word, '\0');
            for (size_t p = 0; p < samples.size(); ++p)
            {
                const C3dSample& s = samples[p];
                const double values[4] = {s.x, s.y, s.z, s.present ? s.fourth : -1.0};
                for (int i = 0; i < 4; ++i)
                {
                    char* at = &frame[(p * 4 + i) * word];
                    if (mFloats)
                        PutFloat(at, values[i]);
                    else
                        Put16(at, static_cast<int>(i < 3 ? std::lround(values[i] / mScale) : values[i]));
                }
            }
            file += frame;
        }
    }

    mutable size_t mLastNext = 0;
};

} // namespace testsupport
