// Reading a 100,000-frame BVH file (a 31-joint body with End Sites, 96
// channels, about 75 MB) into a scene through the importer: the skeleton,
// and one take keyed at every frame of every channel. "parse only" is the
// file class's check and read of the text without the scene, for locating
// where the time goes.
//
// Reported beside the time of a read: the time per frame and per channel
// value (counters "per frame" and "per value", in seconds).

#include "bench/BenchImport.h"
#include "scenesdk/importers/KScnFileBiovision.h"
#include "scenesdk/kernel/KScnImporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace scenesdk;

namespace
{

constexpr int kFrames = 100000;
constexpr int kChannels = 6 + 30 * 3;

// Joints as (name, parent index); the root first.
const char* const kJoints[31][2] = {{"Hips", nullptr},
                                    {"LHipJoint", "Hips"},
                                    {"LeftUpLeg", "LHipJoint"},
                                    {"LeftLeg", "LeftUpLeg"},
                                    {"LeftFoot", "LeftLeg"},
                                    {"LeftToeBase", "LeftFoot"},
                                    {"RHipJoint", "Hips"},
                                    {"RightUpLeg", "RHipJoint"},
                                    {"RightLeg", "RightUpLeg"},
                                    {"RightFoot", "RightLeg"},
                                    {"RightToeBase", "RightFoot"},
                                    {"LowerBack", "Hips"},
                                    {"Spine", "LowerBack"},
                                    {"Spine1", "Spine"},
                                    {"Neck", "Spine1"},
                                    {"Neck1", "Neck"},
                                    {"Head", "Neck1"},
                                    {"LeftShoulder", "Spine1"},
                                    {"LeftArm", "LeftShoulder"},
                                    {"LeftForeArm", "LeftArm"},
                                    {"LeftHand", "LeftForeArm"},
                                    {"LeftFingerBase", "LeftHand"},
                                    {"LeftHandIndex1", "LeftFingerBase"},
                                    {"LThumb", "LeftHand"},
                                    {"RightShoulder", "Spine1"},
                                    {"RightArm", "RightShoulder"},
                                    {"RightForeArm", "RightArm"},
                                    {"RightHand", "RightForeArm"},
                                    {"RightFingerBase", "RightHand"},
                                    {"RightHandIndex1", "RightFingerBase"},
                                    {"RThumb", "RightHand"}};

void WriteJoint(std::FILE* f, int joint, int depth)
{
    const std::string indent(static_cast<size_t>(depth), '\t');
    std::fprintf(f, "%s%s %s\n%s{\n", indent.c_str(), joint == 0 ? "ROOT" : "JOINT", kJoints[joint][0],
                 indent.c_str());
    std::fprintf(f, "%s\tOFFSET %.4f %.4f 0.0000\n", indent.c_str(), 0.5 * (joint % 3), 2.0 + joint % 5);
    std::fprintf(f, "%s\tCHANNELS %s\n", indent.c_str(),
                 joint == 0 ? "6 Xposition Yposition Zposition Zrotation Yrotation Xrotation"
                            : "3 Zrotation Xrotation Yrotation");
    bool leaf = true;
    for (int child = 1; child < 31; ++child)
        if (kJoints[child][1] != nullptr && std::string(kJoints[child][1]) == kJoints[joint][0])
        {
            WriteJoint(f, child, depth + 1);
            leaf = false;
        }
    if (leaf)
        std::fprintf(f, "%s\tEnd Site\n%s\t{\n%s\t\tOFFSET 0.0000 1.5000 0.0000\n%s\t}\n", indent.c_str(),
                     indent.c_str(), indent.c_str(), indent.c_str());
    std::fprintf(f, "%s}\n", indent.c_str());
}

// Writes the file once.
const std::string& MotionFile()
{
    struct SFile
    {
        std::string path = "/tmp/vostrel-bench-" + std::to_string(getpid()) + ".bvh";
        SFile()
        {
            std::FILE* f = std::fopen(path.c_str(), "w");
            std::fprintf(f, "HIERARCHY\n");
            WriteJoint(f, 0, 0);
            std::fprintf(f, "MOTION\nFrames: %d\nFrame Time: 0.008333\n", kFrames);
            for (int frame = 0; frame < kFrames; ++frame)
            {
                for (int c = 0; c < kChannels; ++c)
                    std::fprintf(f, c == 0 ? "%.4f" : " %.4f", 40.0 * std::sin(0.001 * frame + 0.37 * c));
                std::fputc('\n', f);
            }
            std::fclose(f);
        }
        ~SFile() { std::remove(path.c_str()); }
    };
    static SFile file;
    return file.path;
}

void SetCounters(benchmark::State& state)
{
    benchimport::SetMotionCounters(state, kFrames, kChannels);
}

void BM_BvhRead(benchmark::State& state)
{
    benchimport::ImportEach(state, MotionFile(), KScnImporter::FindFileFormat("bvh"));
    SetCounters(state);
}

void BM_BvhParseOnly(benchmark::State& state)
{
    std::ifstream in(MotionFile(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto _ : state)
    {
        KScnFileBiovision file;
        std::string why;
        if (!file.Read(text.data(), text.size(), why))
            state.SkipWithError(why.c_str());
        benchmark::DoNotOptimize(file.GetValues().data());
    }
    SetCounters(state);
}

} // namespace

BENCHMARK(BM_BvhRead)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_BvhParseOnly)->Unit(benchmark::kMillisecond)->MinTime(3.0);
