#include "render/CTextureLoader.h"

#include "app/Log.h"
#include "platform/sys/PathResolver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

namespace
{

// The first 12 header bytes of the two accepted kinds: no image ID, no colour
// map, origin (0, 0); only the image type differs.
const uint8_t kUncompressedHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kRunLengthHeader[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Longest side accepted: larger images are refused as invalid.
constexpr unsigned int kMaxSide = 16384;

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

// Walks the run-length packets in data until pixelCount pixels are decoded,
// writing them to out unless it is null (a first pass that only checks the
// packets, so that nothing is allocated for pixels the file cannot fill).
// Null when the packets fill the image exactly, else the reason to log.
const char* DecodeRunLength(const uint8_t* data, size_t size, uint8_t* out, size_t pixelCount,
                            unsigned int bytesPerPixel)
{
    size_t at = 0;
    size_t written = 0;
    while (written < pixelCount)
    {
        if (at >= size)
            return "Could not read RLE header";
        const unsigned int header = data[at++];
        const bool isRun = header > 127;
        const size_t count = isRun ? header - 127 : header + 1;
        if (count > pixelCount - written)
            return "Too many pixels read";
        const size_t payload = isRun ? bytesPerPixel : count * bytesPerPixel;
        if (size - at < payload)
            return isRun ? "Could not read from file" : "Could not read image data";
        if (out != nullptr && isRun)
            for (size_t i = 0; i < count; ++i)
                std::memcpy(out + (written + i) * bytesPerPixel, data + at, bytesPerPixel);
        else if (out != nullptr)
            std::memcpy(out + written * bytesPerPixel, data + at, payload);
        at += payload;
        written += count;
    }
    return nullptr;
}

} // namespace

bool CTextureLoader::LoadImage(const std::string& fileName, CRefPtr<CImage> image)
{
    if (!image)
        return false;
    image->FreePixels();

    // Only a regular file: a FIFO or a device could block or never end.
    const std::string path = plat::ResolvePath(fileName);
    std::error_code ec;
    FILE* file = std::filesystem::is_regular_file(path, ec) ? std::fopen(path.c_str(), "rb") : nullptr;
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
    if (image->m_usWidth == 0 || image->m_usHeight == 0 || image->m_usWidth > kMaxSide ||
        image->m_usHeight > kMaxSide || (info[4] != 24 && info[4] != 32))
    {
        Log(1, "Invalid texture information");
        return false;
    }

    // Sizes in size_t: 16384 x 16384 x 4 does not fit 32 bits.
    const unsigned int bytesPerPixel = image->GetBytesPerPixel();
    const size_t pixelCount = static_cast<size_t>(image->m_usWidth) * image->m_usHeight;
    const size_t size = pixelCount * bytesPerPixel;

    // A header may promise far more than the file holds; refuse before
    // allocating. Run-length data is read first (at most the bytes the image
    // could take as one-pixel packets) and its packets checked, so the pixel
    // buffer is only made for an image the file fills.
    const size_t remaining = RemainingBytes(file);
    if (!runLength && size > remaining)
    {
        Log(1, "Could not read image data");
        return false;
    }
    std::vector<uint8_t> packets;
    if (runLength)
    {
        packets.resize(std::min(remaining, pixelCount * (1 + bytesPerPixel)));
        packets.resize(std::fread(packets.data(), 1, packets.size(), file));
        if (const char* reason =
                DecodeRunLength(packets.data(), packets.size(), nullptr, pixelCount, bytesPerPixel))
        {
            Log(1, "%s", reason);
            return false;
        }
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

    bool ok = true;
    if (!runLength)
    {
        ok = std::fread(image->m_Pixels.data(), 1, size, file) == size;
        if (!ok)
            Log(1, "Could not read image data");
    }
    else
        DecodeRunLength(packets.data(), packets.size(), image->m_Pixels.data(), pixelCount, bytesPerPixel);

    if (!ok)
        image->FreePixels();
    return ok;
}
