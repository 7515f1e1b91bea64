#include "scenesdk/importers/KScnReaderVicon.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFKeyRecord.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/importers/KScnFileVicon.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KStreamOptionsVicon.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace scenesdk
{

namespace
{

// Metres per unit of the names capture files use, in any letter case; 0
// for another.
double UnitInMetres(std::string unit)
{
    struct SUnit
    {
        const char* name;
        double metres;
    };
    static const SUnit kUnits[] = {{"mm", 0.001},
                                   {"millimeters", 0.001},
                                   {"millimetres", 0.001},
                                   {"cm", 0.01},
                                   {"centimeters", 0.01},
                                   {"centimetres", 0.01},
                                   {"dm", 0.1},
                                   {"m", 1.0},
                                   {"meters", 1.0},
                                   {"metres", 1.0},
                                   {"in", 0.0254},
                                   {"inches", 0.0254},
                                   {"ft", 0.3048},
                                   {"feet", 0.3048}};
    for (char& c : unit)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    for (const SUnit& u : kUnits)
        if (unit == u.name)
            return u.metres;
    return 0.0;
}

// Names unique within one read: a repeated name gets "_2", "_3" ... Each
// name remembers the next suffix to try, so many repeats stay linear.
class CUniqueNames
{
public:
    std::string Make(const std::string& name)
    {
        if (mUsed.insert(name).second)
            return name;
        int& next = mNext.emplace(name, 2).first->second;
        for (;; ++next)
        {
            std::string candidate = name + "_" + std::to_string(next);
            if (mUsed.insert(candidate).second)
                return candidate;
        }
    }

private:
    std::unordered_set<std::string> mUsed;
    std::unordered_map<std::string, int> mNext;
};

// Ticks of frame i: exact when a frame is a whole number of ticks (the
// common rates), else rounded per frame so that errors do not add up.
class CFrameClock
{
public:
    // A rate so low that a frame passes the range of ticks leaves only
    // frame 0 in the file (the file class checks the motion's length).
    explicit CFrameClock(double rate) : mTicks(static_cast<double>(KTime::kOneSecond) / rate)
    {
        mWhole = mTicks < 4.0e18 && mTicks == std::floor(mTicks) ? static_cast<int64_t>(mTicks) : 0;
    }
    KTime At(int64_t frame) const
    {
        if (frame == 0)
            return KTime(0);
        return KTime(mWhole > 0 ? frame * mWhole : std::llround(static_cast<double>(frame) * mTicks));
    }

private:
    double mTicks;
    int64_t mWhole;
};

std::string SampleText(int point, int64_t frame)
{
    return "point " + std::to_string(point + 1) + " at frame " + std::to_string(frame + 1);
}

} // namespace

KStreamOptionsScn* KScnReaderVicon::CreateOptions() const
{
    return new KStreamOptionsVicon();
}

bool KScnReaderVicon::ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& given)
{
    const KStreamOptionsVicon defaults;
    const KStreamOptionsVicon& options = KStreamOptionsForeign::Of(&given, defaults);
    if (!(options.mSceneUnit > 0.0) || !std::isfinite(options.mSceneUnit))
        return Fail(eUnidentifiedError, "the scene unit of the read options is not above 0");
    KScnFileVicon file;
    std::string why;
    if (!file.Read(GetBytes().data(), GetBytes().size(), why))
        return Refuse(why);
    if (file.GetFrameCount() > INT_MAX && file.GetPointCount() > 0)
        return Refuse(std::to_string(file.GetFrameCount()) + " frames: more than a curve holds");

    std::vector<std::string> warnings = file.GetWarnings();
    const double metres = UnitInMetres(file.GetUnits());
    double length = options.mUnitScale;
    if (metres > 0.0)
        length = metres / options.mSceneUnit;
    else if (!std::isfinite(length))
        return Fail(eUnidentifiedError, "the unit scale of the read options is not a number");
    else
        warnings.push_back((file.GetUnits().empty() ? std::string("no POINT:UNITS")
                                                    : "unknown POINT:UNITS " + file.GetUnits()) +
                           ": positions read with the unit scale");

    const char* take = options.mTakeName.empty() ? "Take 001" : options.mTakeName.c_str();
    builder.AddTake(take);
    CUniqueNames names;
    std::vector<KFCurve*> curves;
    for (int p = 0; p < file.GetPointCount(); ++p)
    {
        const std::string& label = file.GetLabels()[static_cast<size_t>(p)];
        const std::string name = names.Make(label.empty() ? "Marker" + std::to_string(p + 1) : label);
        KScnNode* node = builder.CreateNode(name.c_str());
        KScnMarker* marker = node != nullptr ? GetManager()->CreateMarker() : nullptr;
        if (marker == nullptr)
            return Fail(eUnidentifiedError, "a marker node could not be made");
        node->SetNodeAttribute(marker);
        for (int a = 0; a < 3; ++a)
        {
            curves.push_back(KScnTakeKeys::GetCurve(node, take, KScnTakeKeys::eTranslation, a));
            if (curves.back() == nullptr)
                return Fail(eUnidentifiedError, "a translation curve could not be made");
        }
    }
    if (!KeyMotion(curves, file, length, options))
        return false;
    std::string status;
    for (const std::string& warning : warnings)
        status += (status.empty() ? "" : "; ") + warning;
    mStatus = status.c_str();
    return true;
}

bool KScnReaderVicon::KeyMotion(const std::vector<KFCurve*>& curves, const KScnFileVicon& file, double length,
                                const KStreamOptionsVicon& options)
{
    const int points = file.GetPointCount();
    const int64_t frames = file.GetFrameCount();
    if (points == 0)
        return true;
    // Frames are decoded in runs, every point of a frame in turn (the file's
    // order), into a buffer of about kRunSamples samples; then each point's
    // samples of the run are keyed.
    const int64_t run = std::max<int64_t>(1, kRunSamples / points);
    std::vector<float> values(static_cast<size_t>(run * points * 3));
    std::vector<KTime> times(static_cast<size_t>(run * points));
    std::vector<int> counts(static_cast<size_t>(points));
    const CFrameClock clock(file.GetFrameRate());
    for (int64_t first = 0; first < frames; first += run)
    {
        const int64_t end = std::min(frames, first + run);
        std::fill(counts.begin(), counts.end(), 0);
        for (int64_t f = first; f < end; ++f)
            for (int p = 0; p < points; ++p)
            {
                double xyz[3];
                const KScnFileVicon::ESample sample = file.GetSample(f, p, xyz);
                if (sample == KScnFileVicon::eMissing)
                    continue;
                if (sample == KScnFileVicon::eNotANumber)
                    return Refuse(SampleText(p, f) + ": not a number");
                for (double& v : xyz)
                    v *= length;
                options.ConvertDirection(xyz[0], xyz[1], xyz[2]);
                if (!(std::fabs(xyz[0]) <= FLT_MAX && std::fabs(xyz[1]) <= FLT_MAX &&
                      std::fabs(xyz[2]) <= FLT_MAX))
                    return Refuse(SampleText(p, f) + ": position out of range");
                const size_t slot = static_cast<size_t>(p * run + counts[static_cast<size_t>(p)]++);
                times[slot] = clock.At(f);
                for (int a = 0; a < 3; ++a)
                    values[slot * 3 + static_cast<size_t>(a)] = static_cast<float>(xyz[a]);
            }
        for (int p = 0; p < points; ++p)
            if (!AppendKeys(&curves[static_cast<size_t>(p) * 3], &times[static_cast<size_t>(p * run)],
                            &values[static_cast<size_t>(p * run * 3)], counts[static_cast<size_t>(p)]))
                return Fail(eUnidentifiedError, "no memory for the keys");
    }
    return true;
}

bool KScnReaderVicon::AppendKeys(KFCurve* const* curves, const KTime* times, const float* values, int count)
{
    // One linear key made once and copied with each time and value
    // (building every key from its parts costs more than the rest of a read).
    KFKeyRecord key;
    key.Clear();
    key.Set(KTime(0), 0.0f, KFCURVE_INTERPOLATION_LINEAR);
    for (int a = 0; a < 3; ++a)
    {
        KFCurve* curve = curves[a];
        const int first = curve->GetKeyCount();
        if (!curve->ReserveKeys(first + count))
            return false;
        bool ok = true;
        curve->BeginKeyChanges();
        for (int i = 0; i < count && ok; ++i)
        {
            key.mTime = times[i];
            key.mValue = values[i * 3 + a];
            ok = curve->ReplaceKey(first + i, key);
        }
        curve->EndKeyChanges();
        if (!ok)
            return false;
    }
    return true;
}

} // namespace scenesdk
