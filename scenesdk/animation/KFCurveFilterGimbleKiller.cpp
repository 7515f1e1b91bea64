#include "scenesdk/animation/KFCurveFilterGimbleKiller.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterRotation.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KgeMath.h"

#include <algorithm>
#include <memory>

namespace scenesdk
{

namespace
{

const char* const kMessages[] = {"No key", "Left unchanged", "Not 3 curve", "Not rotation node"};

struct CurveDeleter
{
    void operator()(KFCurve* curve) const { KFCurve::Destroy(curve); }
};

struct NodeDeleter
{
    void operator()(KFCurveNode* node) const { delete node; }
};

double Distance2(const double* a, const double* b)
{
    double d = 0.0;
    for (int i = 0; i < 3; ++i)
    {
        d += (a[i] - b[i]) * (a[i] - b[i]);
    }
    return d;
}

// Rebuilds the keys of one rotation channel into three new curves.
class Rebuild
{
public:
    Rebuild(KFCurve** source, int order) : mSource(source), mOrder(order)
    {
        KFCurveNode::GetAxisOrder(order, mAxes);
    }

    // Fills out[0..2] (new curves) from source key s on.
    void Run(int s, std::unique_ptr<KFCurve, CurveDeleter>* out)
    {
        KFCurve& x = *mSource[0];
        mRoom = x.GetKeyCount();
        for (int c = 0; c < 3; ++c)
        {
            out[c].reset(KMade(KFCurve::Create()));
            out[c]->CopyFrom(*mSource[c], false);
            out[c]->ReserveKeys(mRoom);
            out[c]->BeginKeyChanges();
            mOut[c] = out[c].get();
        }
        Values(s, mPrev);
        mPrevTime = x.GetKeyTime(s).GetSeconds();
        mWrite = 0;
        Write(x.GetKeyTime(s), mPrev);
        for (int j = s + 1; j < x.GetKeyCount(); ++j)
        {
            double cur[3];
            Values(j, cur);
            if (mOrder != KFCURVENODE_ROTATION_SPHERIC)
            {
                Closest(cur, cur);
            }
            const double t = x.GetKeyTime(j).GetSeconds();
            while (Distance2(cur, mPrev) >= KFCurveFilterGimbleKiller::kJumpLimit &&
                   t - mPrevTime >= KFCurveFilterGimbleKiller::kShortestStep)
            {
                Intermediate(cur, t);
            }
            Write(x.GetKeyTime(j), cur);
            std::copy(cur, cur + 3, mPrev);
            mPrevTime = t;
        }
        for (KFCurve* curve : mOut)
        {
            curve->EndKeyChanges();
        }
    }

private:
    // The three values at X's key j; a curve whose key j is not at that time
    // (no synchronisation asked) gives its value there instead.
    void Values(int j, double* v) const
    {
        const KTime t = mSource[0]->GetKeyTime(j);
        for (int c = 0; c < 3; ++c)
        {
            KFCurve& curve = *mSource[c];
            v[c] = (j < curve.GetKeyCount() && curve.GetKeyTime(j) == t) ? curve.GetKeyValue(j)
                                                                         : curve.Evaluate(t);
        }
    }

    void Closest(double* out, const double* cur) const
    {
        const double in[3] = {cur[0], cur[1], cur[2]};
        KFCurveNode::ClosestEuler(out, mPrev, in, mAxes);
    }

    // One key on the shortest rotation from prev toward cur.
    void Intermediate(const double* cur, double t)
    {
        double mPrevM[16], mCurM[16], delta[16], q[4];
        KgeMatrixIdentity(mPrevM);
        KgeMatrixIdentity(mCurM);
        KgeMatrixIdentity(delta);
        KFCurveNode::AnglesToMatrix(mOrder, mPrev, mPrevM);
        KFCurveNode::AnglesToMatrix(mOrder, cur, mCurM);
        KgeRotationMultiplyTransposed(delta, mPrevM, mCurM); // cur times prev transposed
        KgeMatrixToQuaternion(q, delta);

        double a = 0.5;
        double candidate[3];
        double tm;
        for (;;)
        {
            tm = a * t + (1.0 - a) * mPrevTime;
            double step[16], m[16];
            KgeMatrixIdentity(step);
            KgeMatrixIdentity(m);
            // KgeMatrixFromQuaternion normalises the blended quaternion.
            KgeMatrixFromQuaternion(step, a * q[0], a * q[1], a * q[2], a * q[3] + 1.0 - a);
            KgeRotationMultiply(m, mPrevM, step); // the step applied after prev
            double angles[3];
            KFCurveNode::MatrixToAngles(mOrder, m, angles);
            Closest(candidate, angles);
            if (Distance2(candidate, mPrev) < KFCurveFilterGimbleKiller::kJumpLimit ||
                tm - mPrevTime < KFCurveFilterGimbleKiller::kShortestStep)
            {
                break;
            }
            a *= 0.5;
        }
        KTime time;
        time.SetSeconds(tm);
        Write(time, candidate);
        std::copy(candidate, candidate + 3, mPrev);
        mPrevTime = tm;
    }

    void Write(KTime time, const double* v)
    {
        if (mWrite >= mRoom)
        {
            mRoom += 250;
            for (KFCurve* curve : mOut)
            {
                curve->ReserveKeys(mRoom);
            }
        }
        for (int c = 0; c < 3; ++c)
        {
            mOut[c]->SetKey(mWrite, time, static_cast<float>(v[c]), KFCURVE_INTERPOLATION_CUBIC,
                            KFCURVE_TANGENT_AUTO, 0.0f, 0.0f, KFCURVE_WEIGHTED_NONE, KFCURVE_DEFAULT_WEIGHT,
                            KFCURVE_DEFAULT_WEIGHT, 0.0f, 0.0f);
        }
        ++mWrite;
    }

    KFCurve** mSource;
    int mOrder;
    int mAxes[3];
    KFCurve* mOut[3] = {nullptr, nullptr, nullptr};
    double mPrev[3] = {0.0, 0.0, 0.0};
    double mPrevTime = 0.0;
    int mWrite = 0;
    int mRoom = 0;
};

} // namespace

KFCurveFilterGimbleKiller::KFCurveFilterGimbleKiller() : KFCurveFilter("Gimble Killer", kMessages, 4)
{
    Reset();
}

void KFCurveFilterGimbleKiller::Reset()
{
    mSynchronise = 1;
    KFCurveFilter::Reset();
}

bool KFCurveFilterGimbleKiller::ApplyToCurve(KFCurve&)
{
    GetError().SetLastErrorID(eNot3Curves);
    return false;
}

bool KFCurveFilterGimbleKiller::ApplyToCurves(KFCurve** curves, int count)
{
    if (curves == nullptr || count != 3 || !curves[0] || !curves[1] || !curves[2])
    {
        SetError(eNot3Curves, "Need 3 KFCurve to apply a gimble killer filter.");
        return false;
    }
    KFCurveFilterRotationNode node(curves);
    if (node.Get() == nullptr)
    {
        SetError(eNot3Curves, "Need 3 KFCurve to apply a gimble killer filter.");
        return false;
    }
    return ApplyToNode(*node.Get(), true);
}

bool KFCurveFilterGimbleKiller::ApplyToNode(KFCurveNode& node, bool)
{
    if (node.GetChildCount() != 3)
    {
        SetError(eNot3Curves, "Gimble Killer. ioCurveNode does not have 3 childs.");
        return false;
    }
    if (node.GetLayerType() != eKFCurveNodeLayerEulerRotation)
    {
        SetError(eNotRotationNode, "Gimble Killer. Not a Rotation node!");
        return false;
    }
    KFCurve* curves[3];
    static const char* const kNames[3] = {"X", "Y", "Z"};
    for (int c = 0; c < 3; ++c)
    {
        KFCurveNode* child = node.FindDescendant(kNames[c]);
        curves[c] = child != nullptr ? child->GetFCurve() : nullptr;
        if (curves[c] == nullptr)
        {
            SetError(eNot3Curves, "Gimble Killer. ioCurveNode does not have 3 childs.");
            return false;
        }
    }
    if (curves[0]->GetKeyCount() == 0)
    {
        GetError().SetLastErrorID(eNoKey);
        return false;
    }
    if (mSynchronise != 0)
    {
        KFCurveFilterSyncRotation(curves, GetStartTime(), GetStopTime());
    }

    std::unique_ptr<KFCurve, CurveDeleter> rebuilt[3];
    Rebuild(curves, node.GetRotationOrder()).Run(GetStartKeyIndex(*curves[0]), rebuilt);

    std::unique_ptr<KFCurveNode, NodeDeleter> copy(KMade(node.CloneTree(false, false, false)));
    if (!copy || copy->GetChildCount() != 3)
    {
        SetError(eNot3Curves, "Gimble Killer. ioCurveNode does not have 3 childs.");
        return false;
    }
    for (int c = 0; c < 3; ++c)
    {
        copy->GetChildAt(c)->ReplaceFCurve(rebuilt[c].release());
    }
    node.ReplaceKeysInSpan(*copy, GetStartTime(), GetStopTime());
    return true;
}

} // namespace scenesdk
