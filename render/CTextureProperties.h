#pragma once

#include "app/CRefCounted.h"

#include <cstdint>
#include <string>
#include <vector>

// An image in memory as the TGA loader leaves it: rows in file order (for the
// usual bottom-up files the first row is the picture's bottom, which is also
// OpenGL's texture origin), each pixel blue, green, red and, at 32 bits,
// alpha. The pixels are owned by the record; an empty vector means no image.
class CImage : public CRefCounted
{
public:
    CImage() : m_usWidth(0), m_usHeight(0), m_bHasAlpha(0), m_bBitsPerPixel(0) {}

    // Bytes per pixel (3 or 4 for a loaded image).
    unsigned int GetBytesPerPixel() const { return m_bBitsPerPixel / 8u; }
    bool HasPixels() const { return !m_Pixels.empty(); }
    // Drops the pixels and gives their memory back.
    void FreePixels() { std::vector<uint8_t>().swap(m_Pixels); }

    std::string m_strName;
    uint16_t m_usWidth;
    uint16_t m_usHeight;
    uint8_t m_bHasAlpha;
    uint8_t m_bBitsPerPixel;
    std::vector<uint8_t> m_Pixels;
};

// An image that is (or is about to be) an OpenGL texture: the GL id and
// whether mip-maps were built for it. The renderer fills both on upload.
class CTextureProperties : public CImage
{
public:
    CTextureProperties() : m_uiGLId(0), m_bMipMaps(false) {}

    uint32_t m_uiGLId;
    bool m_bMipMaps;
};
