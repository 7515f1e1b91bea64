#pragma once

#include "app/CRefCounted.h"

#include <cstdint>

// What a button calls when it is clicked: a counted functor that hands the
// button's id to a member function of its target. The target is not
// counted: its owner (a game state) keeps it alive as long as the widgets
// that call it.
class CGuiCallback : public CRefCounted
{
public:
    ~CGuiCallback() override {}
    virtual void Invoke(uint32_t id) = 0;
};

// The callback of one member function of T.
template <class T> class TGuiCallback : public CGuiCallback
{
public:
    typedef void (T::*Method)(uint32_t id);

    TGuiCallback(T* target, Method method) : m_pTarget(target), m_Method(method) {}

    // Nothing without a target or a method.
    void Invoke(uint32_t id) override
    {
        if (m_pTarget && m_Method)
            (m_pTarget->*m_Method)(id);
    }

private:
    T* m_pTarget;
    Method m_Method;
};

// A new callback of target's method, ready for CGuiButton::SetCallback.
template <class T> CRefPtr<CGuiCallback> MakeGuiCallback(T* target, void (T::*method)(uint32_t))
{
    return CRefPtr<CGuiCallback>(new TGuiCallback<T>(target, method));
}
