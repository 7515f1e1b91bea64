#pragma once

// Writing 3D Studio files for tests and benchmarks: a chunk is its id, its
// length (header included) and its body; bodies are built from the little-
// endian numbers and zero-terminated strings below, lengths counted here.

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace testsupport
{

inline std::string Le16(uint16_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

inline std::string Le32(uint32_t v)
{
    return Le16(static_cast<uint16_t>(v & 0xFFFF)) + Le16(static_cast<uint16_t>(v >> 16));
}

inline std::string Floats(const std::vector<float>& values)
{
    std::string s;
    for (float f : values)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        s += Le32(bits);
    }
    return s;
}

inline std::string Cstr(const std::string& text)
{
    return text + '\0';
}

inline std::string Chunk(uint16_t id, const std::string& body)
{
    return Le16(id) + Le32(static_cast<uint32_t>(body.size() + 6)) + body;
}

// A keyframer track: flags, eight unused bytes, the key count, then per key
// its frame, the spline flags given and a float (tension, continuity, bias,
// ease to, ease from: 100 + the bit's number) for each bit set in them, and
// its values.
inline std::string Track(uint16_t id, const std::vector<std::pair<uint32_t, std::vector<float>>>& keys,
                         uint16_t spline = 0)
{
    std::string body = Le16(0) + std::string(8, '\0') + Le32(static_cast<uint32_t>(keys.size()));
    std::vector<float> extra;
    for (int bit = 0; bit < 5; ++bit)
        if ((spline >> bit) & 1)
            extra.push_back(100.0f + float(bit));
    for (const auto& key : keys)
        body += Le32(key.first) + Le16(spline) + Floats(extra) + Floats(key.second);
    return Chunk(id, body);
}

// A keyframer object node (0xB002) with its id, header and further chunks.
inline std::string KeyNode(uint16_t id, const std::string& name, uint16_t parent, const std::string& rest)
{
    return Chunk(0xB002, Chunk(0xB030, Le16(id)) +
                             Chunk(0xB010, Cstr(name) + Le16(0) + Le16(0) + Le16(parent)) + rest);
}

// A face list of triangles (flags 7) followed by its sub-chunks.
inline std::string FaceList(const std::vector<uint16_t>& corners, const std::string& sub)
{
    std::string body = Le16(static_cast<uint16_t>(corners.size() / 3));
    for (size_t i = 0; i + 2 < corners.size(); i += 3)
        body += Le16(corners[i]) + Le16(corners[i + 1]) + Le16(corners[i + 2]) + Le16(7);
    return Chunk(0x4120, body + sub);
}

inline std::string VertexList(const std::vector<float>& xyz)
{
    return Chunk(0x4110, Le16(static_cast<uint16_t>(xyz.size() / 3)) + Floats(xyz));
}

inline std::string MaterialGroup(const std::string& material, const std::vector<uint16_t>& faces)
{
    std::string body = Cstr(material) + Le16(static_cast<uint16_t>(faces.size()));
    for (uint16_t f : faces)
        body += Le16(f);
    return Chunk(0x4130, body);
}

// A whole file: the main chunk with version 3 around the editor chunk's
// contents and, when given, a keyframer's contents.
inline std::string File3DS(const std::string& editor, const std::string& keyframer = std::string())
{
    std::string body = Chunk(0x0002, Le32(3)) + Chunk(0x3D3D, editor);
    if (!keyframer.empty())
        body += Chunk(0xB000, keyframer);
    return Chunk(0x4D4D, body);
}

} // namespace testsupport
