// libFuzzer target: the game's TGA loader. Any input must be refused with a
// logged reason or loaded into pixels that fill the image the header gives,
// without a fault and without allocating more than the file can fill.

#include "app/Log.h"
#include "render/CTextureLoader.h"
#include "tools/fuzz/ScnFuzzFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzWriteFile("input.tga", data, size);
    CRefPtr<CTextureLoader> loader(new CTextureLoader);
    CRefPtr<CImage> image(new CTextureProperties);
    if (loader->LoadImage(path, image) && image->m_Pixels.size() != static_cast<size_t>(image->m_usWidth) *
                                                                        image->m_usHeight *
                                                                        image->GetBytesPerPixel())
        std::abort();
    ResetLogFiles();
    return 0;
}
