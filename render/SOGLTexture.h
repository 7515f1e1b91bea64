#pragma once

#include <cstdint>
#include <string>

// A model's reference to an uploaded texture: how it is to be uploaded
// (target, filters, mip-maps) and, once it is, its GL id and name. A new
// record is all zero and empty.
struct SOGLTexture
{
    std::string m_strName;
    uint32_t m_uiGLId = 0;
    // GL_TEXTURE_2D, or GL_TEXTURE_CUBE_MAP_POSITIVE_X + face.
    uint32_t m_uiTarget = 0;
    int32_t m_iMinFilter = 0;
    int32_t m_iMagFilter = 0;
    bool m_bMipMaps = false;
};
