#pragma once

#include "app/CRefCounted.h"

#include <cstdint>

// A game object's call back into a game state (a bird killed, the statue
// damaged or destroyed): a counted functor over one member function.
class CObjCallback : public CRefCounted
{
public:
    ~CObjCallback() override {}
    // value is the argument of one-argument methods (a percentage); methods
    // without an argument ignore it.
    virtual void Invoke(uint32_t value = 0) = 0;
};

// The callback of one member function of T, with or without an argument.
template <class T> class TObjCallback : public CObjCallback
{
public:
    typedef void (T::*Method0)();
    typedef void (T::*Method1)(uint32_t);

    TObjCallback(T* target, Method0 method) : m_pTarget(target), m_Method0(method), m_Method1(nullptr) {}
    TObjCallback(T* target, Method1 method) : m_pTarget(target), m_Method0(nullptr), m_Method1(method) {}

    void Invoke(uint32_t value = 0) override
    {
        if (!m_pTarget)
            return;
        if (m_Method0)
            (m_pTarget->*m_Method0)();
        else if (m_Method1)
            (m_pTarget->*m_Method1)(value);
    }

private:
    T* m_pTarget;
    Method0 m_Method0;
    Method1 m_Method1;
};

template <class T> CRefPtr<CObjCallback> MakeObjCallback(T* target, void (T::*method)())
{
    return CRefPtr<CObjCallback>(new TObjCallback<T>(target, method));
}

template <class T> CRefPtr<CObjCallback> MakeObjCallback(T* target, void (T::*method)(uint32_t))
{
    return CRefPtr<CObjCallback>(new TObjCallback<T>(target, method));
}
