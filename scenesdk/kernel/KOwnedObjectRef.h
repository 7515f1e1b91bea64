#pragma once

// KOwnedObjectRef: holds a kernel object and whether the holder owns it. An
// owned object is destroyed through its Destroy operation by Release, or by
// the holder's destructor.

namespace scenesdk
{

template <typename T> class KOwnedObjectRef
{
public:
    KOwnedObjectRef() = default;
    KOwnedObjectRef(const KOwnedObjectRef&) = delete;
    KOwnedObjectRef& operator=(const KOwnedObjectRef&) = delete;
    ~KOwnedObjectRef() { Release(); }

    // Holds object (releasing what was held before).
    void Set(T* object, bool owns)
    {
        if (object != mObject)
            Release();
        mObject = object;
        mOwns = owns;
    }
    T* Get() const { return mObject; }
    bool Owns() const { return mOwns; }

    // When an object is held and owned: clears the pointer and the flag first,
    // then destroys the object. A holder that does not own its object, or
    // holds none, is left unchanged.
    void Release()
    {
        if (mObject == nullptr || !mOwns)
            return;
        T* object = mObject;
        mObject = nullptr;
        mOwns = false;
        object->Destroy();
    }

private:
    T* mObject = nullptr;
    bool mOwns = false;
};

} // namespace scenesdk
