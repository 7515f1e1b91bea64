#pragma once

#include "app/CHiResTimer.h"

#include <cstdint>
#include <string>

// A timer for replayable runs: every reading is one fixed step later than
// the one before, whatever the wall clock did. A frame clock that reads it
// once per Tick sees frames of exactly that step.
class CSteppedTimer : public CHiResTimer
{
public:
    explicit CSteppedTimer(double step) : m_dStep(step), m_dNow(0.0) {}

    double GetTime() override
    {
        m_dNow += m_dStep;
        return m_dNow;
    }

private:
    double m_dStep;
    double m_dNow;
};

// The replay switch of test runs: "VOSTREL_TEST_SEED" holding a decimal
// number 0..4294967295 asks for a seeded random source and frames of exactly
// 1/60 s. Returns true and the seed when the variable holds such a number;
// false (nothing asked) when it is unset, empty or anything else.
bool ParseTestSeed(const char* text, uint32_t& seed);
