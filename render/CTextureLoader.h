#pragma once

#include "app/CRefCounted.h"
#include "render/CTextureProperties.h"

#include <string>

// Reads true-colour Truevision TGA files: uncompressed (image type 2) and
// run-length encoded (type 10), 24 or 32 bits per pixel, without image ID,
// colour map or origin offset. Anything else is refused with a logged error.
class CTextureLoader : public CRefCounted
{
public:
    CTextureLoader() {}
    virtual ~CTextureLoader() {}

    // Loads the file into the caller's record: width, height, alpha flag,
    // bits per pixel and the pixels (any pixels it held are dropped first).
    // On false the reason is in the error log and the record holds no pixels;
    // its size fields keep what the header said once the header was read.
    // The name field is the caller's to set.
    virtual bool LoadImage(const std::string& fileName, CRefPtr<CImage> image);
};
