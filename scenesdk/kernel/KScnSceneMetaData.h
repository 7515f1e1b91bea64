#pragma once

// KScnSceneMetaData: the descriptive record a scene file may carry: six
// texts (title, subject, author, keywords, revision, comment) and a
// thumbnail image. KScnThumbnailImage: a small picture, size and pixels.
//
// Ownership: both are made and destroyed by the SDK manager
// (CreateSceneMetaData / CreateThumbnail); the metadata owns the thumbnail
// it holds (a copy of what it is given).

#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KScnThumbnailImage
{
public:
    // 8-bit samples, three (RGB) or four (RGBA) per pixel, rows top first.
    enum EFormat
    {
        eRGB24 = 0,
        eRGBA32 = 1
    };

    KScnThumbnailImage() = default;

    // Sizes the picture (samples zeroed); false, nothing changed, for a
    // negative or overflowing size.
    bool SetSize(int width, int height, EFormat format);
    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    EFormat GetFormat() const { return mFormat; }
    // width * height * samples per pixel bytes; null while empty.
    uint8_t* GetData() { return mData.empty() ? nullptr : mData.data(); }
    const uint8_t* GetData() const { return mData.empty() ? nullptr : mData.data(); }
    int GetDataSize() const { return static_cast<int>(mData.size()); }

private:
    int mWidth = 0;
    int mHeight = 0;
    EFormat mFormat = eRGB24;
    std::vector<uint8_t> mData;
};

class KScnSceneMetaData
{
public:
    KScnSceneMetaData() = default;
    ~KScnSceneMetaData();
    // Copies the six texts and the thumbnail (none when other has none).
    KScnSceneMetaData& operator=(const KScnSceneMetaData& other);
    KScnSceneMetaData(const KScnSceneMetaData&) = delete;
    // Exchanges the texts and thumbnails of the two, allocating nothing.
    void Swap(KScnSceneMetaData& other) noexcept;

    KString mTitle;
    KString mSubject;
    KString mAuthor;
    KString mKeywords;
    KString mRevision;
    KString mComment;

    // Null when there is none.
    const KScnThumbnailImage* GetThumbnail() const { return mThumbnail; }
    // Keeps a copy of image (null removes the thumbnail).
    void SetThumbnail(const KScnThumbnailImage* image);

private:
    KScnThumbnailImage* mThumbnail = nullptr;
};

} // namespace scenesdk
