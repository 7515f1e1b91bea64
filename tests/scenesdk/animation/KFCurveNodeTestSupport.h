#pragma once

// Helpers shared by the channel tree tests: curves with keys and small trees.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"

#include <initializer_list>
#include <utility>

namespace channeltest
{

constexpr int64_t kSecond = 46186158000LL;

inline scenesdk::KTime Sec(double s)
{
    return scenesdk::KTime(static_cast<int64_t>(s * kSecond));
}

// A leaf named name with a curve: default value, and linear keys (seconds,
// value) when given.
inline scenesdk::KFCurveNode* Leaf(const char* name, double defaultValue,
                                   std::initializer_list<std::pair<double, double>> keys = {},
                                   uint32_t interpolation = scenesdk::KFCURVE_INTERPOLATION_LINEAR)
{
    scenesdk::KFCurveNode* node = new scenesdk::KFCurveNode(name, name, nullptr);
    scenesdk::KFCurve* curve = scenesdk::KFCurve::Create();
    curve->SetDefaultValue(static_cast<float>(defaultValue));
    int i = 0;
    for (const auto& k : keys)
    {
        curve->SetKey(i++, Sec(k.first), static_cast<float>(k.second), interpolation);
    }
    node->SetFCurve(curve);
    return node;
}

// A group node with children X, Y, Z holding constant (default-only) curves.
inline scenesdk::KFCurveNode* Triple(const char* name, double x, double y, double z, int layerType = 0)
{
    scenesdk::KFCurveNode* node = new scenesdk::KFCurveNode(name, name, nullptr, layerType);
    node->AddChild(Leaf("X", x));
    node->AddChild(Leaf("Y", y));
    node->AddChild(Leaf("Z", z));
    return node;
}

} // namespace channeltest
