#pragma once

// KStringList: an ordered list of texts, each with a pointer-sized reference
// word chosen by the caller (type-name lists, enum-name lists). The list owns
// its items. Not thread-safe.

#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <memory>
#include <new>

namespace scenesdk
{

struct KStringListItem
{
    KStringListItem(const char* text, uintptr_t reference)
        : mString(text != nullptr ? text : ""), mReference(reference)
    {
    }
    KString mString;
    uintptr_t mReference;
};

// T is an item type constructible from (const char*, uintptr_t) with members
// mString and mReference.
template <typename T> class KStringListTemplate
{
public:
    KStringListTemplate() = default;
    KStringListTemplate(const KStringListTemplate&) = delete;
    KStringListTemplate& operator=(const KStringListTemplate&) = delete;
    ~KStringListTemplate() { Clear(); }

    int GetCount() const { return mList.GetCount(); }
    // Item index, or null when out of range.
    T* GetItemAt(int index) const { return mList.GetAt(index); }
    // Text of item index; "" when out of range.
    const char* GetStringAt(int index) const
    {
        const T* item = GetItemAt(index);
        return item != nullptr ? item->mString.Buffer() : "";
    }
    // Reference word of item index; 0 when out of range.
    uintptr_t GetReferenceAt(int index) const
    {
        const T* item = GetItemAt(index);
        return item != nullptr ? item->mReference : 0;
    }
    // False when index is out of range.
    bool SetStringAt(int index, const char* text)
    {
        T* item = GetItemAt(index);
        if (item == nullptr)
            return false;
        item->mString = text != nullptr ? text : "";
        return true;
    }
    bool SetReferenceAt(int index, uintptr_t reference)
    {
        T* item = GetItemAt(index);
        if (item == nullptr)
            return false;
        item->mReference = reference;
        return true;
    }
    // Inserts a new item at index, clamped to 0..count (the count appends);
    // returns the index used, or -1 when the item cannot be made. Memory
    // running out as it is listed throws std::bad_alloc, the item gone. A
    // null text reads as "".
    int InsertAt(int index, const char* text, uintptr_t reference = 0)
    {
        std::unique_ptr<T> item(new (std::nothrow) T(text, reference));
        if (item == nullptr)
            return -1;
        const int at = mList.InsertAt(index < 0 ? 0 : index, item.get());
        if (at >= 0)
            item.release();
        return at;
    }
    int Add(const char* text, uintptr_t reference = 0) { return InsertAt(GetCount(), text, reference); }
    // Deletes item index; out of range does nothing.
    void RemoveAt(int index)
    {
        T* item = GetItemAt(index);
        if (item == nullptr)
            return;
        mList.RemoveAt(index);
        delete item;
    }
    // Index of the first item whose text equals text (bytes), or -1.
    int Find(const char* text) const
    {
        for (int i = 0; i < GetCount(); ++i)
            if (mList[i]->mString == text)
                return i;
        return -1;
    }
    void Clear()
    {
        for (int i = 0; i < mList.GetCount(); ++i)
            delete mList[i];
        mList.Clear();
    }
    // Appends the texts to out, separated by "~" (none after the last).
    void GetText(KString& out) const
    {
        for (int i = 0; i < GetCount(); ++i)
        {
            if (i > 0)
                out += '~';
            out += mList[i]->mString;
        }
    }
    // Clears, then adds one item per "~"-separated piece of text (reference
    // 0); two "~" in a row give an empty item. A null or empty text gives an
    // empty list.
    void SetText(const char* text)
    {
        Clear();
        if (text == nullptr || text[0] == 0)
            return;
        const char* start = text;
        for (const char* p = text;; ++p)
            if (*p == '~' || *p == 0)
            {
                Add(KString(start, static_cast<int>(p - start)).Buffer());
                if (*p == 0)
                    break;
                start = p + 1;
            }
    }

protected:
    KPointerArray<T> mList{16};
};

class KStringList : public KStringListTemplate<KStringListItem>
{
public:
    KStringList() = default;
    // Every item of other, text and reference word, in order.
    KStringList(const KStringList& other);
    // Replaces the items by copies of other's (self-assignment keeps them).
    KStringList& operator=(const KStringList& other);
    // Appends copies of other's items, keeping the existing ones. Appending a
    // list to itself doubles it.
    void Append(const KStringList& other);
};

} // namespace scenesdk
