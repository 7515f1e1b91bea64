#pragma once

#include "app/CRefCounted.h"

#include <cstdint>

// Multi-pass frames through the accumulation buffer: Begin clears, each
// Accumulate adds the pass drawn since with weight 1 / pass count, Finish
// writes the sum back to the colour buffer. Whether the context has an
// accumulation buffer is up to the platform; without one the GL calls fail
// quietly and the frame shows the last pass.
class CAccumulationEffect
{
public:
    CAccumulationEffect() : m_bPassCount(1), m_cPassCounter(0) {}
    virtual ~CAccumulationEffect() {}

    // camera: the view the passes are drawn from (kept, not used here).
    // A pass count of 0 is taken as 1.
    virtual bool Init(uint8_t passCount, CRefPtr<CRefCounted> camera);
    virtual void Begin();
    virtual void Accumulate();
    virtual void Finish();

    uint8_t GetPassCount() const { return m_bPassCount; }
    int8_t GetPassCounter() const { return m_cPassCounter; }
    // Weight of one pass.
    float GetPassWeight() const { return 1.0f / m_bPassCount; }

private:
    uint8_t m_bPassCount;
    int8_t m_cPassCounter;
    CRefPtr<CRefCounted> m_pCamera;
};
