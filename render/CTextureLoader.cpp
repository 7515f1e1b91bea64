#include "render/CTextureLoader.h"

#include "app/Log.h"
#include "platform/sys/PathResolver.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace
{

// The first 12 header bytes of the two accepted kinds: no image ID, no colour
// map, origin (0, 0); only the image type differs.
const uint8_t kUncompressedHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kRunLengthHeader[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Closes the file on every way out.
class CFileCloser
{
public:
    explicit CFileCloser(FILE* file) : m_pFile(file) {}
    ~CFileCloser()
    {
        if (m_pFile)
            std::fclose(m_pFile);
    }
    CFileCloser(const CFileCloser&) = delete;
    CFileCloser& operator=(const CFileCloser&) = delete;

private:
    FILE* m_pFile;
};

// Bytes left between the current position and the end of the file.
size_t RemainingBytes(FILE* file)
{
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    long end = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return end > here ? static_cast<size_t>(end - here) : 0;
}

// Decodes run-length packets until pixelCount pixels are written to out.
// Logs the reason and returns false on a short read or an overshooting packet.
bool ReadRunLengthPixels(FILE* file, uint8_t* out, size_t pixelCount, unsigned int bytesPerPixel)
{
    uint8_t pixel[4];
    size_t written = 0;
    while (written < pixelCount)
    {
        int header = std::fgetc(file);
        if (header == EOF)
        {
            Log(1, "Could not read RLE header");
            return false;
        }
        bool isRun = header > 127;
        size_t count = isRun ? static_cast<size_t>(header - 127) : static_cast<size_t>(header + 1);
        if (count > pixelCount - written)
        {
            Log(1, "Too many pixels read");
            return false;
        }
        if (isRun)
        {
            if (std::fread(pixel, 1, bytesPerPixel, file) != bytesPerPixel)
            {
                Log(1, "Could not read from file");
                return false;
            }
            for (size_t i = 0; i < count; ++i, ++written)
                std::memcpy(out + written * bytesPerPixel, pixel, bytesPerPixel);
        }
        else
        {
            // Raw pixels need no scratch copy: they go straight to their place.
            if (std::fread(out + written * bytesPerPixel, 1, count * bytesPerPixel, file) !=
                count * bytesPerPixel)
            {
                Log(1, "Could not read image data");
                return false;
            }
            written += count;
        }
    }
    return true;
}

} // namespace

bool CTextureLoader::LoadImage(const std::string& fileName, CRefPtr<CImage> image)
{
    if (!image)
        return false;
    image->FreePixels();

    FILE* file = std::fopen(plat::ResolvePath(fileName).c_str(), "rb");
    if (!file)
    {
        Log(1, "Could not open texture file: %s", fileName.c_str());
        return false;
    }
    CFileCloser closer(file);

    uint8_t header[12];
    if (std::fread(header, 1, sizeof header, file) != sizeof header)
    {
        Log(1, "Could not read file header: %s", fileName.c_str());
        return false;
    }
    bool runLength = false;
    if (std::memcmp(header, kRunLengthHeader, sizeof header) == 0)
        runLength = true;
    else if (std::memcmp(header, kUncompressedHeader, sizeof header) != 0)
    {
        Log(1, "Invalid Image - TGA file be type 2 or type 10 ");
        return false;
    }

    uint8_t info[6];
    if (std::fread(info, 1, sizeof info, file) != sizeof info)
    {
        Log(1, "Could not read info header");
        return false;
    }
    image->m_usWidth = static_cast<uint16_t>(info[0] + 256u * info[1]);
    image->m_usHeight = static_cast<uint16_t>(info[2] + 256u * info[3]);
    image->m_bBitsPerPixel = info[4];
    image->m_bHasAlpha = info[4] == 32 ? 1 : 0;
    if (image->m_usWidth == 0 || image->m_usHeight == 0 || (info[4] != 24 && info[4] != 32))
    {
        Log(1, "Invalid texture information");
        return false;
    }

    // Sizes in size_t: 65535 x 65535 x 4 does not fit 32 bits.
    const unsigned int bytesPerPixel = image->GetBytesPerPixel();
    const size_t pixelCount = static_cast<size_t>(image->m_usWidth) * image->m_usHeight;
    const size_t size = pixelCount * bytesPerPixel;

    // A header may promise far more than the file holds; refuse before
    // allocating. A run-length packet of 1 + bytesPerPixel bytes gives at most
    // 128 pixels.
    const size_t remaining = RemainingBytes(file);
    if (!runLength && size > remaining)
    {
        Log(1, "Could not read image data");
        return false;
    }
    if (runLength && pixelCount > (remaining / (1 + bytesPerPixel) + 1) * 128)
    {
        Log(1, "Could not read RLE header");
        return false;
    }

    try
    {
        image->m_Pixels.resize(size);
    }
    catch (const std::bad_alloc&)
    {
        image->FreePixels();
        Log(1, "Could not allocate memory for image");
        return false;
    }

    bool ok;
    if (!runLength)
    {
        ok = std::fread(image->m_Pixels.data(), 1, size, file) == size;
        if (!ok)
            Log(1, "Could not read image data");
    }
    else
        ok = ReadRunLengthPixels(file, image->m_Pixels.data(), pixelCount, bytesPerPixel);

    if (!ok)
        image->FreePixels();
    return ok;
}
