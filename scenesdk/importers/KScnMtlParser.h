#pragma once

// KScnMtlParser: reads the text of a material library (MTL) into
// KScnMtlMaterial records: colours Ka, Kd, Ks, Ke (g and b default to r),
// Ns, d, Tr (1 - d; "d" wins when both are given), illum, and the maps
// map_Kd, map_bump / bump / map_Bump, map_d and map_Ks with their options
// (-o and -s give the UV offset and scale, -clamp on clamps; the others are
// read past). A map's file name is what follows its options, spaces
// included. Numbers are strict; spectral and CIE XYZ colours and unknown
// keywords are skipped and counted.

#include <cstddef>
#include <string>
#include <vector>

namespace scenesdk
{

struct KScnMtlMaterial;

class KScnMtlParser
{
public:
    // Appends the library's materials to out (folder recorded in each).
    // False with why ("line N: reason") on the first fault; skipped counts
    // the keywords passed over.
    static bool Parse(const char* text, size_t size, const std::string& folder,
                      std::vector<KScnMtlMaterial>& out, int& skipped, std::string& why);
};

} // namespace scenesdk
