// Files of ordinary size but extreme shape, each read through the importer
// in a process of its own and then used as a program would (every node's
// global transform, a take selected on every node; or every take's curves
// read on every node), measured side by side: whether the read was refused
// (and why) or read and used, the CPU seconds (user and system) and the
// peak memory of the child process (ru_maxrss from wait4, the manager's
// teardown included), checked against the aim: at most 10 s and at most
// 256 MB plus 40 times the file's size (an OBJ's material library and a
// second file read into the same scene counted with it). Files a user would
// read must be read, with no option raised. The column "before" shows what
// a case took before the read was metered as it is made (and, for the
// older cases, before the read budget weighed more than nodes); a read
// shows what its meter saw ("metered"; by kind with HOSTILE_METER set). A plain
// program: run it without arguments (Release build); the exit status is 1
// when a case misses the aim.
//
//   bench_HostileFiles              every case
//   bench_HostileFiles <name>...    the cases named
//   bench_HostileFiles --read <use> <file> <format> [<file> <format>]
//                                   the child's part (the reads, then the use)
//   bench_HostileFiles --write <name> <file>
//                                   the case's (first) file written, for a profiler

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/Chunks3DS.h"
#include "tools/scnwriter/ScnConvert.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace scenesdk;
using namespace testsupport;

namespace
{

// ---- The files ----

std::string Number(int i)
{
    return std::to_string(i);
}

// A scene text file: a chain of models (each the child of the one before)
// or as many models side by side, until the file reaches bytes.
std::string SceneModels(int count, bool chain, size_t bytes = 0)
{
    std::string text = "; scene file\nFileHeader: {\n Version: 6000\n}\nObjects: {\n";
    for (int i = 0; i < count || (bytes > 0 && text.size() < bytes); ++i)
    {
        text += "Model: \"M" + Number(i) + "\", \"Null\" {\n";
        if (chain && i + 1 < count)
            text += " Children: \"M" + Number(i + 1) + "\"\n";
        text += "}\n";
    }
    return text + "}\n";
}

// 3DS keyframer dummies in chains of length each (count nodes in all).
std::string TdsChains(int count, int length)
{
    std::string nodes;
    for (int i = 0; i < count; ++i)
    {
        const uint16_t parent = i % length == 0 ? 0xFFFF : uint16_t(i - 1);
        nodes += KeyNode(uint16_t(i), "$$$DUMMY", parent,
                         Chunk(0xB011, Cstr("D" + Number(i))) + Track(0xB020, {{0, {1, 0, 0}}}));
    }
    return File3DS("", nodes);
}

// 3DS mesh objects of one triangle each, until the file reaches bytes.
std::string TdsObjects(size_t bytes)
{
    std::string editor;
    const std::string mesh = Chunk(0x4100, VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0}) + FaceList({0, 1, 2}, ""));
    for (int i = 0; editor.size() < bytes; ++i)
        editor += Chunk(0x4000, Cstr("O" + Number(i)) + mesh);
    return File3DS(editor);
}

// Two rows of numbers, columns wide.
std::string MovColumns(int columns)
{
    std::string row;
    for (int c = 0; c < columns; ++c)
        row += (c == 0 ? "" : " ") + std::string("0.25000") + Number(c % 10);
    return row + "\n" + row + "\n";
}

// An OBJ of one-face groups until the file reaches bytes.
std::string ObjGroups(size_t bytes)
{
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; text.size() < bytes; ++i)
        text += "g group" + Number(i) + "\nf 1 2 3\n";
    return text;
}

// An Acclaim skeleton of bones all under the root, until bytes.
std::string AsfBones(size_t bytes)
{
    std::string text = ":version 1.10\n:name wide\n:units\n  mass 1.0\n  length 1\n  angle deg\n:root\n"
                       "  order TX TY TZ RX RY RZ\n  axis XYZ\n  position 0 0 0\n  orientation 0 0 0\n"
                       ":bonedata\n";
    std::string hierarchy = ":hierarchy\n  begin\n    root";
    for (int i = 0; text.size() + hierarchy.size() < bytes; ++i)
    {
        text += "  begin\n    id " + Number(i + 1) + "\n    name bone" + Number(i) +
                "\n    direction 0 1 0\n    length 1\n    axis 0 0 0 XYZ\n    dof rx ry rz\n"
                "    limits (-180 180) (-180 180) (-180 180)\n  end\n";
        hierarchy += " bone" + Number(i);
    }
    return text + hierarchy + "\n  end\n";
}

// ---- Files that name many of something besides nodes ----

std::string SceneText(const std::string& objects, const std::string& tail = std::string())
{
    return "; scene file\nFileHeader: {\n Version: 6000\n}\nObjects: {\n" + objects + "}\n" + tail;
}

std::string Repeat(int count, const std::function<std::string(int)>& item)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += item(i);
    return text;
}

std::string Takes(int count)
{
    return "Takes: {\n" + Repeat(count, [](int i) { return " Take: \"T" + Number(i) + "\"\n"; }) + "}\n";
}

// count Nulls side by side (or a chain of them) and takes empty takes.
std::string NullsAndTakes(int count, int takes, bool chain = false)
{
    std::string text = SceneModels(count, chain);
    return text + Takes(takes);
}

std::string CharacterPoses(int count)
{
    return SceneText(
        Repeat(count, [](int i) { return "CharacterPose: \"P" + Number(i) + "\" {\n Model: \"M\"\n}\n"; }));
}

std::string EmptyCharacters(int count)
{
    return SceneText(Repeat(count, [](int i) { return "Character: \"C" + Number(i) + "\"\n"; }));
}

std::string EmptySkins(int count)
{
    return SceneText(Repeat(count, [](int i) { return "Deformer: \"S" + Number(i) + "\", \"Skin\"\n"; }));
}

// meshes one-triangle meshes, each deformed by one skin of clusters clusters.
std::string SkinOverMeshes(int meshes, int clusters)
{
    std::string objects = "Model: \"Bone\", \"Null\"\n";
    objects +=
        Repeat(meshes,
               [](int i)
               {
                   return "Model: \"M" + Number(i) +
                          "\", \"Mesh\" {\n Deformers: \"Skin\"\n Mesh: {\n  ControlPoints: 0,0,0, 1,0,0, "
                          "0,1,0\n  PolygonSizes: 3\n  PolygonVertices: 0,1,2\n }\n}\n";
               });
    std::string list;
    for (int j = 0; j < clusters; ++j)
        list += (j == 0 ? "\"C" : ",\"C") + Number(j) + "\"";
    objects += "Deformer: \"Skin\", \"Skin\" {\n Clusters: " + list + "\n}\n";
    objects += Repeat(clusters, [](int j)
                      { return "SubDeformer: \"C" + Number(j) + "\", \"Cluster\" { Model: \"Bone\" }\n"; });
    return SceneText(objects);
}

// One Null with properties user properties, each keyed in each of takes takes.
std::string UserPropertiesInTakes(int properties, int takes)
{
    std::string objects = "Model: \"N\", \"Null\" {\n";
    objects += Repeat(properties,
                      [](int i) { return " UserProperty: \"u" + Number(i) + "\", \"Real\", \"\", 0.5\n"; });
    return SceneText(objects + "}\n", Takes(takes));
}

// An OBJ library of count materials, each with a diffuse map when textured.
std::string MtlLibrary(int count, bool textured)
{
    return Repeat(count,
                  [textured](int i) {
                      return "newmtl m" + Number(i) + "\nKd 1 0 0\n" +
                             (textured ? "map_Kd t" + Number(i) + ".tga\n" : "");
                  });
}

// An OBJ of faces faces, face i using material i (when useEach) or none.
std::string ObjUsingLibrary(int faces, bool useEach)
{
    std::string text = "mtllib case.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    return text + Repeat(faces, [useEach](int i)
                         { return (useEach ? "usemtl m" + Number(i) + "\n" : std::string()) + "f 1 2 3\n"; });
}

// A 3DS of count materials, each with a texture map, and one mesh.
std::string TdsMaterials(int count)
{
    std::string editor =
        Repeat(count,
               [](int i)
               {
                   return Chunk(0xAFFF, Chunk(0xA000, Cstr("m" + Number(i))) +
                                            Chunk(0xA200, Chunk(0xA300, Cstr("t" + Number(i) + ".tga"))));
               });
    editor += Chunk(0x4000, Cstr("O") + Chunk(0x4100, VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0}) +
                                                          FaceList({0, 1, 2}, MaterialGroup("m0", {0}))));
    return File3DS(editor);
}

// ---- Files that multiply through time warps, layers, cameras, shapes,
// written takes and earlier reads ----

// A take block of a scene text file.
std::string Take(const std::string& name, const std::string& body)
{
    return " Take: \"" + name + "\" {\n" + body + " }\n";
}

// A curve of two linear keys, at 0 and at ticks.
std::string Ramp(const std::string& ticks, const std::string& last)
{
    return "Default: 0\nKeyVer: 4004\nKeyCount: 2\nKey: 0, 0, L, " + ticks + ", " + last + ", L\n";
}

// The warp that stretches a take over 4e18 ticks (about 2,700 years).
const char* const kLongTicks = "4000000000000000000";

// count Nulls whose "Transform" channel names one time warp with keys at 0
// and 4e18 ticks; with ramps, each gets a two-key translation X, Y and Z.
std::string WarpedNulls(int count, bool ramps)
{
    std::string objects = Repeat(count, [](int i) { return "Model: \"M" + Number(i) + "\", \"Null\"\n"; });
    std::string body = "  TimeWarps: {\n   TimeWarp: 1 {\n    Channel: \"TimeWarp\" {\n" +
                       Ramp(kLongTicks, "86600000000") + "    }\n   }\n  }\n";
    const std::string ramp = Ramp("46186158000", "10");
    body += Repeat(count,
                   [&](int i)
                   {
                       std::string transform = "  Model: \"M" + Number(i) + "\" {\n   Channel: \"Transform\" {\n";
                       if (ramps)
                           transform += "    Channel: \"T\" {\n     Channel: \"X\" {\n" + ramp +
                                        "     }\n     Channel: \"Y\" {\n" + ramp + "     }\n     Channel: \"Z\" {\n" +
                                        ramp + "     }\n    }\n";
                       return transform + "    TimeWarpID: 1\n   }\n  }\n";
                   });
    return SceneText(objects, "Takes: {\n" + Take("Warped", body) + "}\n");
}

// count Nulls, each T.X with a layer whose keys span 4e18 ticks.
std::string LayeredNulls(int count)
{
    std::string objects = Repeat(count, [](int i) { return "Model: \"M" + Number(i) + "\", \"Null\"\n"; });
    const std::string body = Repeat(
        count,
        [](int i)
        {
            return "  Model: \"M" + Number(i) + "\" {\n   Channel: \"Transform\" {\n    Channel: \"T\" {\n"
                   "     Channel: \"X\" {\n" +
                   Ramp("46186158000", "1") + "      LayerChannel: {\n       LayerID: 1\n" + Ramp(kLongTicks, "2") +
                   "      }\n     }\n    }\n   }\n  }\n";
        });
    return SceneText(objects, "Takes: {\n" + Take("Layered", body) + "}\n");
}

// count Camera models and takes empty takes.
std::string CamerasAndTakes(int count, int takes)
{
    return SceneText(Repeat(count, [](int i) { return "Model: \"C" + Number(i) + "\", \"Camera\"\n"; }),
                     takes > 0 ? Takes(takes) : std::string());
}

// One mesh of one triangle with shapes shapes, and takes empty takes.
std::string MeshShapes(int shapes, int takes)
{
    std::string model = "Model: \"Face\", \"Mesh\" {\n Mesh: {\n  ControlPoints: 0,0,0, 1,0,0, 0,1,0\n"
                        "  PolygonSizes: 3\n  PolygonVertices: 0,1,2\n }\n";
    model += Repeat(shapes, [](int i)
                    { return " Shape: \"S" + Number(i) + "\" {\n  ControlPoints: 0,0,1, 1,0,1, 0,1,1\n }\n"; });
    return SceneText(model + "}\n", Takes(takes));
}

// count Nulls and takes takes, each take naming every Null with one empty
// channel "T".
std::string WrittenTakes(int count, int takes)
{
    std::string objects = Repeat(count, [](int i) { return "Model: \"M" + Number(i) + "\", \"Null\"\n"; });
    const std::string body =
        Repeat(count, [](int i) { return "  Model: \"M" + Number(i) + "\" {\n   Channel: \"T\"\n  }\n"; });
    return SceneText(objects, "Takes: {\n" + Repeat(takes, [&](int t) { return Take("T" + Number(t), body); }) +
                                  "}\n");
}

// An OBJ naming its one library in spellings ways ("case.mtl",
// "./case.mtl", ".//case.mtl", "././case.mtl", ...).
std::string ObjLibrarySpellings(int spellings)
{
    std::string text;
    for (int i = 0; i < spellings; ++i)
    {
        std::string path;
        for (int k = 0; k < i % 20; ++k)
            path += "./";
        text += "mtllib " + path + std::string(static_cast<size_t>(i / 20), '/') + "case.mtl\n";
    }
    return text + "v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m0\nf 1 2 3\n";
}

// A CAD part list: parts boxes of 8 corners and 6 quads, each in a group of
// its own with a material of its own.
std::string CadParts(int parts)
{
    std::string text = "mtllib case.mtl\n";
    for (int p = 0; p < parts; ++p)
    {
        const double x = (p % 60) * 3.0, y = (p / 60) * 3.0;
        char corner[96];
        text += "g part" + Number(p) + "\nusemtl m" + Number(p) + "\n";
        for (int c = 0; c < 8; ++c)
        {
            std::snprintf(corner, sizeof corner, "v %.4f %.4f %.4f\n", x + (c & 1 ? 1.25 : 0.0),
                          y + (c & 2 ? 0.75 : 0.0), c & 4 ? 2.5 : 0.0);
            text += corner;
        }
        const int b = p * 8;
        const int faces[6][4] = {{1, 2, 4, 3}, {5, 7, 8, 6}, {1, 5, 6, 2}, {3, 4, 8, 7}, {1, 3, 7, 5}, {2, 6, 8, 4}};
        for (const auto& f : faces)
        {
            text += "f";
            for (int k : f)
                text += " " + Number(b + k);
            text += "\n";
        }
    }
    return text;
}

// The CAD part list's library: a material of its own for each part.
std::string CadMaterials(int parts)
{
    return Repeat(parts,
                  [](int i)
                  {
                      return "newmtl m" + Number(i) + "\nNs 32\nKa 0.1 0.1 0.1\nKd 0." + Number(100 + i % 900) +
                             " 0.4 0.3\nKs 0.5 0.5 0.5\nd 1\nillum 2\n";
                  });
}

// An animated scene: models models with translation and rotation, takes
// takes, each animating animated of them (T and R, kAnimatedKeys keys on
// each axis); with everyModel each take lists the others too, empty.
const int kAnimatedKeys = 8;

std::string AnimatedScene(int models, int takes, int animated, bool everyModel = false)
{
    char line[160];
    std::string objects;
    for (int i = 0; i < models; ++i)
    {
        std::snprintf(line, sizeof line,
                      "Model: \"Part%d\", \"Null\" {\n Properties: {\n  \"Lcl Translation\": %.3f, %.3f, %.3f\n"
                      "  \"Lcl Rotation\": %.2f, %.2f, %.2f\n }\n}\n",
                      i, i * 0.5, i % 7 * 1.25, i % 13 * 2.0, i % 90 * 1.0, i % 45 * 2.0, i % 30 * 3.0);
        objects += line;
    }
    std::string keys;
    for (int k = 0; k < kAnimatedKeys; ++k)
        keys += (k == 0 ? "" : ", ") + std::to_string(int64_t(k) * 1539538600 * 4) + ", " + Number(k % 10) + ", L";
    const std::string curve = "Default: 0\nKeyVer: 4004\nKeyCount: " + Number(kAnimatedKeys) + "\nKey: " + keys + "\n";
    std::string xyz;
    for (const char* axis : {"X", "Y", "Z"})
        xyz += "      Channel: \"" + std::string(axis) + "\" {\n" + curve + "      }\n";
    std::string takesText = "Takes: {\n";
    for (int t = 0; t < takes; ++t)
    {
        std::string body;
        for (int a = 0; a < animated; ++a)
            body += "  Model: \"Part" + Number((t * animated + a) % models) +
                    "\" {\n   Channel: \"Transform\" {\n    Channel: \"T\" {\n" + xyz + "    }\n    Channel: \"R\" {\n" +
                    xyz + "    }\n   }\n  }\n";
        // As a writer that lists every model in every take writes it.
        for (int m = 0; everyModel && m < models; ++m)
            if ((m - t * animated % models + models) % models >= animated)
                body += "  Model: \"Part" + Number(m) + "\" {\n  }\n";
        takesText += Take("Take " + Number(t + 1), body);
    }
    return SceneText(objects, takesText + "}\n");
}


// ---- Files of long names, many connections and long motions ----

// count Nulls and takes takes, each take named by nameBytes bytes.
std::string NullsAndLongTakes(int count, int takes, size_t nameBytes)
{
    const std::string name(nameBytes, 'n');
    return SceneModels(count, false) +
           "Takes: {\n" + Repeat(takes, [&](int i) { return " Take: \"" + Number(i) + name + "\"\n"; }) + "}\n";
}

// One mesh of one triangle with one shape named by nameBytes bytes, and
// takes empty takes.
std::string LongShapeName(size_t nameBytes, int takes)
{
    return SceneText("Model: \"Face\", \"Mesh\" {\n Mesh: {\n  ControlPoints: 0,0,0, 1,0,0, 0,1,0\n"
                     "  PolygonSizes: 3\n  PolygonVertices: 0,1,2\n }\n Shape: \"" +
                         std::string(nameBytes, 's') + "\" {\n  ControlPoints: 0,0,1, 1,0,1, 0,1,1\n }\n}\n",
                     Takes(takes));
}

// One Null with a user property named by nameBytes bytes, and takes takes
// each writing the Null with one empty channel.
std::string LongUserPropertyName(size_t nameBytes, int takes)
{
    const std::string objects = "Model: \"N\", \"Null\" {\n UserProperty: \"" + std::string(nameBytes, 'u') +
                                "\", \"Real\", \"\", 0.5\n}\n";
    const std::string body = "  Model: \"N\" {\n   Channel: \"T\"\n  }\n";
    return SceneText(objects, "Takes: {\n" + Repeat(takes, [&](int t) { return Take("T" + Number(t), body); }) +
                                  "}\n");
}

// One Null with a user property named by nameBytes bytes, and takes empty
// takes (which share one tree: the name is not copied into each).
std::string LongUserPropertyUnwritten(size_t nameBytes, int takes)
{
    return SceneText("Model: \"N\", \"Null\" {\n UserProperty: \"" + std::string(nameBytes, 'u') +
                         "\", \"Real\", \"\", 0.5\n}\n",
                     Takes(takes));
}

// count Nulls, each with a user property named by nameBytes bytes, and takes
// empty takes.
std::string UserPropertiesOfNulls(int count, size_t nameBytes, int takes)
{
    const std::string name(nameBytes, 'u');
    return SceneText(Repeat(count,
                            [&](int i)
                            {
                                return "Model: \"M" + Number(i) + "\", \"Null\" {\n UserProperty: \"" + name +
                                       "\", \"Real\", \"\", 0.5\n}\n";
                            }),
                     Takes(takes));
}

// count Nulls named by nameBytes bytes each (their number ahead).
std::string LongNamedNulls(int count, size_t nameBytes)
{
    const std::string tail(nameBytes, 'n');
    return SceneText(Repeat(count, [&](int i) { return "Model: \"" + Number(i) + tail + "\", \"Null\"\n"; }));
}

// The text document in the binary encoding (empty when it cannot be).
std::string InBinary(const std::string& text)
{
    std::string out, why;
    if (!ScnTextToBinary(text, out, why))
        std::fprintf(stderr, "cannot spell it in binary: %s\n", why.c_str());
    return out;
}

// A DXF drawing of a block named by nameBytes bytes, inserted once in a
// block "Cell" that an array INSERT places columns x rows times (a node of
// that name in each cell).
std::string DxfLongBlockName(size_t nameBytes, int columns, int rows)
{
    const std::string name(nameBytes, 'b');
    return "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\n" + name +
           "\n10\n0\n20\n0\n30\n0\n0\nLINE\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n0\nENDBLK\n"
           "0\nBLOCK\n2\nCell\n10\n0\n20\n0\n30\n0\n0\nINSERT\n2\n" +
           name + "\n10\n0\n20\n0\n30\n0\n0\nENDBLK\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nINSERT\n2\nCell\n"
                  "10\n0\n20\n0\n30\n0\n70\n" +
           Number(columns) + "\n71\n" + Number(rows) + "\n44\n2\n45\n2\n0\nENDSEC\n0\nEOF\n";
}

// nodes Nulls, each connecting every one of materials materials.
std::string MaterialConnections(int nodes, int materials)
{
    std::string list;
    for (int m = 0; m < materials; ++m)
        list += (m == 0 ? "\"m" : ",\"m") + Number(m) + "\"";
    std::string objects = Repeat(materials, [](int m) { return "Material: \"m" + Number(m) + "\"\n"; });
    objects += Repeat(nodes, [&](int i)
                      { return "Model: \"M" + Number(i) + "\", \"Null\" {\n Materials: " + list + "\n}\n"; });
    return SceneText(objects);
}

// A BVH motion of joints joints (the root and the rest under it, three
// rotations each) over frames frames at 120 Hz.
std::string BvhMotion(int joints, int frames)
{
    std::string text = "HIERARCHY\nROOT J0\n{\n\tOFFSET 0 0 0\n\tCHANNELS 6 Xposition Yposition Zposition "
                       "Zrotation Xrotation Yrotation\n";
    for (int j = 1; j < joints; ++j)
        text += "\tJOINT J" + Number(j) + "\n\t{\n\t\tOFFSET 0 " + Number(1 + j % 5) +
                " 0\n\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n\t\tEnd Site\n\t\t{\n\t\t\tOFFSET 0 1 0\n"
                "\t\t}\n\t}\n";
    text += "}\nMOTION\nFrames: " + Number(frames) + "\nFrame Time: 0.008333\n";
    const int channels = 3 * joints + 3;
    char value[32];
    std::string row;
    text.reserve(text.size() + static_cast<size_t>(frames) * static_cast<size_t>(channels) * 8);
    for (int f = 0; f < frames; ++f)
    {
        row.clear();
        for (int c = 0; c < channels; ++c)
        {
            std::snprintf(value, sizeof value, c == 0 ? "%.3f" : " %.3f", 10.0 + (f * 7 + c * 13) % 800 * 0.01);
            row += value;
        }
        text += row + "\n";
    }
    return text;
}

struct SCase
{
    const char* name;
    const char* extension;
    std::function<std::string()> make;
    // What the issue that named the case measured before the read budget
    // weighed more than nodes (empty for the older cases).
    const char* before = "";
    // A second file beside it, "case.mtl" (an OBJ's library).
    std::function<std::string()> library = nullptr;
    // A second file read into the same scene after the first, "second.scn".
    std::function<std::string()> second = nullptr;
    // How the scene is used once read: "transforms" (every node's global
    // transform, a take selected on every node) or "curves" (every take made
    // current on every node in turn, its curves read through the entry
    // GetCurrentTakeNode gives) or "properties" (every node's user-property
    // count and a look-up by name, then the transforms) or "nodes" (every
    // node's default take read and one user property asked for by index,
    // then the transforms).
    const char* use = "transforms";
    // A file a user would read: it must be read, not refused, with no
    // option raised.
    bool mustRead = false;
};

const std::vector<SCase>& Cases()
{
    static const std::vector<SCase> cases = {
        {"scene chain 20,000", "scn", [] { return SceneModels(20000, true); }},
        {"scene chain 1,000", "scn", [] { return SceneModels(1000, true); }},
        {"3DS chain 12,000", "3ds", [] { return TdsChains(12000, 12000); }},
        {"3DS chain 20,000", "3ds", [] { return TdsChains(20000, 20000); }},
        {"3DS chain 8,000", "3ds", [] { return TdsChains(8000, 8000); }},
        {"3DS 4 chains of 1,000", "3ds", [] { return TdsChains(4000, 1000); }},
        {"MOV 16,000 columns", "mov", [] { return MovColumns(16000); }},
        {"MOV 55,000 columns", "mov", [] { return MovColumns(55000); }},
        {"OBJ 1.19 MB groups", "obj", [] { return ObjGroups(1190000); }},
        {"OBJ 4,000 groups", "obj", [] { return ObjGroups(80000); }},
        {"OBJ 12.6 MB groups", "obj", [] { return ObjGroups(12600000); }},
        {"ASF 10 MB bones", "asf", [] { return AsfBones(10000000); }},
        {"3DS 10 MB objects", "3ds", [] { return TdsObjects(10000000); }},
        {"scene 11 MB models", "scn", [] { return SceneModels(0, false, 11000000); }},
        {"scene 10,000 models", "scn", [] { return SceneModels(10000, false); }},
        {"400 Nulls x 400 takes", "scn", [] { return NullsAndTakes(400, 400); }, "1,006 MB"},
        {"1,000 Nulls x 1,000 takes", "scn", [] { return NullsAndTakes(1000, 1000); }, "abort: bad_alloc"},
        {"2,000 Nulls x 10,000 takes", "scn", [] { return NullsAndTakes(2000, 10000); }, "18.6 s, 3.1 GB"},
        {"chain 999 x 100 takes", "scn", [] { return NullsAndTakes(999, 100, true); }, "647 MB"},
        {"5,000 character poses", "scn", [] { return CharacterPoses(5000); }, "25 s, 3.3 GB"},
        {"20,000 empty characters", "scn", [] { return EmptyCharacters(20000); }, "abort: bad_alloc"},
        {"3,000 meshes x 3,000 clusters", "scn", [] { return SkinOverMeshes(3000, 3000); },
         "abort: bad_alloc"},
        {"10,000 empty skins", "scn", [] { return EmptySkins(10000); }, "9 s"},
        {"50,000 empty skins", "scn", [] { return EmptySkins(50000); }, "over 115 s"},
        {"OBJ 100,000-material MTL", "obj", [] { return ObjUsingLibrary(1, false); }, "1.36 GB",
         [] { return MtlLibrary(100000, false); }},
        {"OBJ 50,000 textured mats", "obj", [] { return ObjUsingLibrary(50000, true); }, "21 s, 1.3 GB",
         [] { return MtlLibrary(50000, true); }},
        {"3DS 50,000 textured mats", "3ds", [] { return TdsMaterials(50000); }, "1.27 GB"},
        {"20,000 user props x 200 takes", "scn", [] { return UserPropertiesInTakes(20000, 200); }, "1.8 GB"},
        {"MOV 99,999 columns x 2", "mov", [] { return MovColumns(99999); }, "356 MB"},
        {"100 Nulls under a long warp", "scn", [] { return WarpedNulls(100, false); }, "17.9 s, 50 MB"},
        {"1,000 Nulls under a long warp", "scn", [] { return WarpedNulls(1000, false); }, "over 120 s"},
        {"50 warped translation ramps", "scn", [] { return WarpedNulls(50, true); }, "9.1 s, 640 MB"},
        {"100 Nulls, long layers", "scn", [] { return LayeredNulls(100); }, "6.3 s, 422 MB"},
        {"1,000 Nulls, long layers", "scn", [] { return LayeredNulls(1000); }, "over 27 s, 1.8 GB"},
        {"1,000 cameras x 150 takes", "scn", [] { return CamerasAndTakes(1000, 150); }, "teardown 1,225 MB"},
        {"10,000 cameras", "scn", [] { return CamerasAndTakes(10000, 0); }, "449 MB"},
        {"5,000 Nulls, then 2,000 takes", "scn", [] { return NullsAndTakes(5000, 0); }, "10.7 s, 1,666 MB",
         nullptr, [] { return NullsAndTakes(1, 2000); }},
        {"2,000 takes, then 5,000 Nulls", "scn", [] { return NullsAndTakes(1, 2000); }, "10.7 s, 1,666 MB",
         nullptr, [] { return NullsAndTakes(5000, 0); }},
        {"5,000 shapes x 1,000 takes", "scn", [] { return MeshShapes(5000, 1000); }, "2,281 MB"},
        {"2,000 Nulls, 100 takes written", "scn", [] { return WrittenTakes(2000, 100); }, "1,366 MB"},
        {"OBJ library in 200 spellings", "obj", [] { return ObjLibrarySpellings(200); }, "665 MB",
         [] { return MtlLibrary(5000, false) + std::string(5000 * 30, '#'); }},
        {"400 x 400 takes, curves read", "scn", [] { return NullsAndTakes(400, 400); }, "1,012 MB", nullptr,
         nullptr, "curves"},
        // Files a user would read: no option raised.
        {"500 Nulls x 20 takes of 100 KB names", "scn", [] { return NullsAndLongTakes(500, 20, 100000); },
         "988 MB"},
        {"2,000 Nulls x 20 takes of 100 KB names", "scn", [] { return NullsAndLongTakes(2000, 20, 100000); },
         "11.5 s, 3.9 GB"},
        {"900 KB shape name x 1,500 takes", "scn", [] { return LongShapeName(900000, 1500); }, "2.6 GB"},
        {"900 KB user property x 1,500 takes", "scn", [] { return LongUserPropertyName(900000, 1500); },
         "2.6 GB"},
        {"DXF 900 KB block name x 2,000", "dxf", [] { return DxfLongBlockName(900000, 40, 50); },
         "7.7 s, 6.9 GB"},
        {"1,000 nodes x 5,000 materials", "scn", [] { return MaterialConnections(1000, 5000); }, "10.1 s"},
        {"30,000 models, every take written", "scn", [] { return AnimatedScene(30000, 20, 500, true); },
         "refused at once", nullptr, nullptr, "transforms", true},
        {"30,000 models, user properties counted", "scn", [] { return AnimatedScene(30000, 20, 500); },
         "948 MB", nullptr, nullptr, "properties", true},
        // Motion files a user would read.
        {"BVH 300 joints x 20,000 frames", "bvh", [] { return BvhMotion(300, 20000); }, "refused after 4.9 s",
         nullptr, nullptr, "transforms", true},
        {"BVH 60 joints x 100,000 frames", "bvh", [] { return BvhMotion(60, 100000); }, "refused", nullptr,
         nullptr, "transforms", true},
        {"BVH 300 joints x 100,000 frames", "bvh", [] { return BvhMotion(300, 100000); },
         "refused after 27.6 s, 5 GB", nullptr, nullptr, "transforms", true},
        {"CAD OBJ 3,000 parts", "obj", [] { return CadParts(3000); }, "refused (102 MB)",
         [] { return CadMaterials(3000); }, nullptr, "transforms", true},
        {"30,000 models, 20 takes", "scn", [] { return AnimatedScene(30000, 20, 500); }, "refused (1,104 MB)",
         nullptr, nullptr, "transforms", true},
        // The same content spelled in binary, weighed as its text; and twice as much.
        {"30,000 models, 20 takes, binary", "scn", [] { return InBinary(AnimatedScene(30000, 20, 500)); },
         "read, 767 MB", nullptr, nullptr, "transforms", true},
        {"60,000 models, 20 takes", "scn", [] { return AnimatedScene(60000, 20, 1000); },
         "refused (1,235 MB)", nullptr, nullptr, "transforms", true},
        {"60,000 models, 20 takes, binary", "scn", [] { return InBinary(AnimatedScene(60000, 20, 1000)); },
         "read, 1,527 MB", nullptr, nullptr, "transforms", true},
        // Names of takes the file does not write: the takes share one tree.
        {"500 KB user property x 400 takes", "scn", [] { return LongUserPropertyUnwritten(500000, 400); },
         "refused (192 MB)", nullptr, nullptr, "transforms", true},
        {"2,000 Nulls, 1 KB user props x 500", "scn", [] { return UserPropertiesOfNulls(2000, 1000, 500); },
         "refused (1,115 MB)", nullptr, nullptr, "transforms", true},
        // What a read leaves, used: every node's transform, its default
        // take's translation read, one of its user properties asked for.
        {"20,000 Nulls read and used", "scn", [] { return LongNamedNulls(20000, 100); }, "508 MB", nullptr,
         nullptr, "nodes", true},
    };
    return cases;
}

// ---- The child: one read, then the use ----

// Reads the files (path, extension pairs) into one scene in turn; false
// with the status text printed when one is refused.
bool ReadAll(KScnSdkManager& manager, KScnSceneRoot* scene, int count, char** files)
{
    for (int f = 0; f + 1 < count; f += 2)
    {
        KScnImporter* importer = manager.CreateImporter();
        // MOV has no extension of its own in the importer's table.
        const int kMovFormat = 15;
        importer->SetFileFormat(std::strcmp(files[f + 1], "mov") == 0 ? kMovFormat
                                                                      : KScnImporter::FindFileFormat(files[f + 1]));
        // A budget raised by hand, to see what a refused file would take.
        const char* scale = std::getenv("HOSTILE_BUDGET_SCALE");
        const bool opened = importer->Initialize(files[f]);
        KStreamOptionsScn* options = scale != nullptr && opened ? importer->GetImportOptions(true) : nullptr;
        if (options != nullptr)
            options->mBudgetScale = std::atof(scale);
        const bool read = opened && importer->Import(scene, options);
        if (!read)
            std::printf("refused: %s\n", importer->GetStatusText());
        manager.DestroyImporter(importer);
        if (!read)
            return false;
    }
    return true;
}

double UseTransforms(KScnSceneContents* contents, int& selected)
{
    const int nodes = contents->GetNodeCount();
    double sum = 0.0;
    for (int i = 0; i < nodes; ++i)
        sum += contents->GetNode(i)->ComputeGlobalTransform()[12];
    for (int i = 0; i < nodes; ++i)
    {
        KScnNode* node = contents->GetNode(i);
        const int takes = node->GetTakeNodeCount();
        selected += takes > 0 && node->SelectTakeNodeByIndex(takes - 1) ? 1 : 0;
    }
    for (int i = 0; i < nodes; ++i)
        sum += contents->GetNode(i)->ComputeGlobalTransform()[12];
    return sum;
}

// Every take of every node made current in turn and its curves evaluated
// through the const entry the node gives, as tools/fuzz/MotionFuzz.cpp walks
// them (the writable entry would give each take a copy of its tree).
double UseCurves(KScnSceneContents* contents, int& selected)
{
    double sum = 0.0;
    for (int i = 0; i < contents->GetNodeCount(); ++i)
    {
        KScnNode* node = contents->GetNode(i);
        const KScnNode& reader = *node;
        for (int t = 1; t < node->GetTakeNodeCount(); ++t)
        {
            if (!node->SelectTakeNodeByIndex(t))
                continue;
            ++selected;
            const KScnTakeNodeEntry* take = reader.GetCurrentTakeNode();
            for (const KFCurve* curve : {take->GetTranslationXCurve(), take->GetTranslationZCurve(),
                                         take->GetRotationYCurve()})
                sum += curve != nullptr ? curve->Evaluate(KTime(0)) : 0.0;
        }
    }
    return sum;
}

// Every node asked for its user-property count and for one by name, as a
// property sheet lists them, then the transforms used.
double UseProperties(KScnSceneContents* contents, int& selected)
{
    int properties = 0;
    for (int i = 0; i < contents->GetNodeCount(); ++i)
    {
        KScnNode* node = contents->GetNode(i);
        properties += node->GetUserPropertyCount();
        properties += node->FindUserPropertyByName("no such property") != nullptr ? 1 : 0;
    }
    return properties + UseTransforms(contents, selected);
}

// Every node's default take read (its translation, through the const
// entry) and one of its user properties asked for by index, as a property
// sheet shows a node, then the transforms used.
double UseNodes(KScnSceneContents* contents, int& selected)
{
    double sum = 0.0;
    for (int i = 0; i < contents->GetNodeCount(); ++i)
    {
        KScnNode* node = contents->GetNode(i);
        const KScnNode& reader = *node;
        if (const KFCurve* x = reader.GetDefaultTakeNode()->GetTranslationXCurve())
            sum += x->Evaluate(KTime(0));
        if (KScnPropertyRef* shown = node->GetUserProperty(i % node->GetUserPropertyCount()))
            sum += shown->GetName()[0] != '\0' ? 1.0 : 0.0;
    }
    return sum + UseTransforms(contents, selected);
}

int ReadAndUse(const char* use, int count, char** files)
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    if (!ReadAll(manager, scene, count, files))
        return 0;
    KScnSceneContents* contents = scene->GetContents();
    int selected = 0;
    const double sum = std::strcmp(use, "curves") == 0       ? UseCurves(contents, selected)
                       : std::strcmp(use, "properties") == 0 ? UseProperties(contents, selected)
                       : std::strcmp(use, "nodes") == 0      ? UseNodes(contents, selected)
                                                             : UseTransforms(contents, selected);
    // What the (last) read's meter saw, beside the child's peak; by kind on
    // standard error when HOSTILE_METER is set.
    if (std::getenv("HOSTILE_METER") != nullptr)
        for (int k = 0; k < KScnReadMeter::eKindCount; ++k)
            std::fprintf(stderr, "%-20s %8.1f MB\n", KScnReadMeter::kNames[k],
                         static_cast<double>(KScnReadMeter::Last().mCharged[k]) / (1024.0 * 1024.0));
    std::printf("read: %d nodes, a take selected %d times (x sum %g), metered %.0f MB\n",
                contents->GetNodeCount(), selected, sum,
                static_cast<double>(KScnReadMeter::Last().mUsed) / (1024.0 * 1024.0));
    return 0;
}

// ---- The parent: each case in a child of its own ----

struct SResult
{
    std::string outcome;
    double seconds = 0.0; // CPU: user and system
    double wallSeconds = 0.0;
    double peakMb = 0.0;
    bool finished = false;
};

SResult RunChild(const std::string& self, const SCase& c, const std::string& path, const std::string& second)
{
    SResult result;
    int out[2];
    if (pipe(out) != 0)
        return result;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0)
    {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        if (c.second)
            execl(self.c_str(), self.c_str(), "--read", c.use, path.c_str(), c.extension, second.c_str(), "scn",
                  static_cast<char*>(nullptr));
        else
            execl(self.c_str(), self.c_str(), "--read", c.use, path.c_str(), c.extension,
                  static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0)
        result.outcome.append(buffer, static_cast<size_t>(got));
    close(out[0]);
    int status = 0;
    struct rusage usage = {};
    wait4(child, &status, 0, &usage);
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    result.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    while (!result.outcome.empty() && result.outcome.back() == '\n')
        result.outcome.pop_back();
    if (!result.finished)
        result.outcome = "crashed or failed (status " + std::to_string(status) + "): " + result.outcome;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && std::strcmp(argv[1], "--read") == 0)
        return ReadAndUse(argv[2], argc - 3, argv + 3);
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0)
    {
        for (const SCase& c : Cases())
            if (std::strcmp(argv[2], c.name) == 0)
                return (std::ofstream(argv[3], std::ios::binary) << c.make()) ? 0 : 2;
        return 2;
    }

    const std::string self = "/proc/self/exe";
    char resolved[4096] = {};
    const ssize_t length = readlink(self.c_str(), resolved, sizeof resolved - 1);
    const std::string program = length > 0 ? std::string(resolved, static_cast<size_t>(length)) : argv[0];
    const std::string folder = "/tmp/vostrel-hostile-" + std::to_string(getpid());
    if (mkdir(folder.c_str(), 0700) != 0)
        return 2;
    std::printf("%-30s %8s %8s %9s %9s  %-4s %-17s %s\n", "case", "file MB", "seconds", "peak MB", "limit MB",
                "aim", "before", "outcome");
    bool allMet = true;
    for (const SCase& c : Cases())
    {
        bool wanted = argc == 1;
        for (int a = 1; a < argc; ++a)
            wanted = wanted || std::strcmp(argv[a], c.name) == 0;
        if (!wanted)
            continue;
        const std::string path = folder + "/case." + c.extension;
        const std::string library = folder + "/case.mtl";
        const std::string second = folder + "/second.scn";
        size_t size = 0;
        {
            const std::string bytes = c.make();
            size = bytes.size();
            std::ofstream(path, std::ios::binary) << bytes;
        }
        if (c.library)
        {
            const std::string bytes = c.library();
            size += bytes.size();
            std::ofstream(library, std::ios::binary) << bytes;
        }
        if (c.second)
        {
            const std::string bytes = c.second();
            size += bytes.size();
            std::ofstream(second, std::ios::binary) << bytes;
        }
        const SResult r = RunChild(program, c, path, second);
        std::remove(path.c_str());
        std::remove(library.c_str());
        std::remove(second.c_str());
        const double fileMb = static_cast<double>(size) / (1024.0 * 1024.0);
        const double limitMb = 256.0 + 40.0 * fileMb;
        const bool met = r.finished && r.seconds <= 10.0 && r.peakMb <= limitMb &&
                         (!c.mustRead || r.outcome.compare(0, 5, "read:") == 0);
        allMet = allMet && met;
        std::printf("%-30s %8.2f %8.2f %9.1f %9.1f  %-4s %-17s %.150s\n", c.name, fileMb, r.seconds, r.peakMb,
                    limitMb, met ? "met" : "MISS", c.before, r.outcome.c_str());
        std::fflush(stdout);
    }
    rmdir(folder.c_str());
    return allMet ? 0 : 1;
}
