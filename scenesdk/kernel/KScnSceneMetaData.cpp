#include "scenesdk/kernel/KScnSceneMetaData.h"

#include <cstddef>
#include <limits>
#include <utility>

namespace scenesdk
{

bool KScnThumbnailImage::SetSize(int width, int height, EFormat format)
{
    const int64_t samples = format == eRGBA32 ? 4 : 3;
    if (width < 0 || height < 0 ||
        static_cast<int64_t>(width) * height * samples > std::numeric_limits<int>::max())
    {
        return false;
    }
    mWidth = width;
    mHeight = height;
    mFormat = format;
    mData.assign(static_cast<size_t>(static_cast<int64_t>(width) * height * samples), 0);
    return true;
}

KScnSceneMetaData::~KScnSceneMetaData()
{
    delete mThumbnail;
}

KScnSceneMetaData& KScnSceneMetaData::operator=(const KScnSceneMetaData& other)
{
    if (&other != this)
    {
        mTitle = other.mTitle;
        mSubject = other.mSubject;
        mAuthor = other.mAuthor;
        mKeywords = other.mKeywords;
        mRevision = other.mRevision;
        mComment = other.mComment;
        SetThumbnail(other.mThumbnail);
    }
    return *this;
}

void KScnSceneMetaData::Swap(KScnSceneMetaData& other) noexcept
{
    mTitle.Swap(other.mTitle);
    mSubject.Swap(other.mSubject);
    mAuthor.Swap(other.mAuthor);
    mKeywords.Swap(other.mKeywords);
    mRevision.Swap(other.mRevision);
    mComment.Swap(other.mComment);
    std::swap(mThumbnail, other.mThumbnail);
}

void KScnSceneMetaData::SetThumbnail(const KScnThumbnailImage* image)
{
    if (image == mThumbnail)
    {
        return;
    }
    KScnThumbnailImage* copy = image != nullptr ? new KScnThumbnailImage(*image) : nullptr;
    delete mThumbnail;
    mThumbnail = copy;
}

} // namespace scenesdk
