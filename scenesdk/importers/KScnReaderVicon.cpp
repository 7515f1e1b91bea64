#include "scenesdk/importers/KScnReaderVicon.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnFileVicon.h"
#include "scenesdk/importers/KScnMotionBuilder.h"
#include "scenesdk/importers/KScnTakeKeys.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <new>

namespace scenesdk
{

namespace
{

std::string SampleText(int point, int64_t frame)
{
    return "point " + std::to_string(point + 1) + " at frame " + std::to_string(frame + 1);
}

} // namespace

bool KScnReaderVicon::Read(KScnImportBuilder& builder, const KStreamOptionsVicon& options)
{
    if (!CheckOption(options.mSceneUnit, "scene unit"))
        return false;
    KScnFileVicon file;
    std::string why;
    if (!file.Read(GetBytes().data(), GetBytes().size(), why))
        return Refuse(why);
    if (!CheckBudget(KScnReadBudget::kForeignNodes, static_cast<uint64_t>(file.GetPointCount()), "nodes",
                     options, "KStreamOptionsVicon"))
        return false;
    if (file.GetFrameCount() > INT_MAX && file.GetPointCount() > 0)
        return Refuse(std::to_string(file.GetFrameCount()) + " frames: more than a curve holds");

    std::vector<std::string> warnings = file.GetWarnings();
    double length = 0.0;
    if (!KScnMotionBuilder::FileUnitLength(file.GetUnits(), options.mSceneUnit, options.mUnitScale, length))
    {
        if (!std::isfinite(length))
            return Fail(eUnidentifiedError, "the unit scale of the read options is not a number");
        warnings.push_back((file.GetUnits().empty() ? std::string("no POINT:UNITS")
                                                    : "unknown POINT:UNITS " + file.GetUnits()) +
                           ": positions read with the unit scale");
    }

    KScnMotionBuilder motion(builder, options.mTakeName.c_str());
    if (file.GetFrameCount() > 0 &&
        !motion.SetFrameRate(file.GetFrameRate(), 0, file.GetFrameCount() - 1, why))
        return Refuse(why);
    std::vector<KFCurve*> curves;
    for (int p = 0; p < file.GetPointCount(); ++p)
    {
        const std::string& label = file.GetLabels()[static_cast<size_t>(p)];
        KScnNode* node =
            motion.AddMarkerNode(label.empty() ? "Marker" + std::to_string(p + 1) : label, nullptr);
        if (node == nullptr)
            throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        for (int a = 0; a < 3; ++a)
        {
            curves.push_back(
                KScnTakeKeys::GetCurve(node, motion.GetTakeName().c_str(), KScnTakeKeys::eTranslation, a));
            if (curves.back() == nullptr)
                throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        }
    }
    if (!KeyMotion(motion, curves, file, length, options))
        return false;
    motion.FilterCurves();
    mStatus = JoinWarnings(warnings).c_str();
    return true;
}

bool KScnReaderVicon::KeyMotion(KScnMotionBuilder& motion, const std::vector<KFCurve*>& curves,
                                const KScnFileVicon& file, double length, const KStreamOptionsVicon& options)
{
    const int points = file.GetPointCount();
    const int64_t frames = file.GetFrameCount();
    if (points == 0)
        return true;
    // Frames are decoded in runs, every point of a frame in turn (the file's
    // order), into a buffer of about kRunSamples samples; then each point's
    // samples of the run are keyed.
    const int64_t run = std::max<int64_t>(1, kRunSamples / points);
    std::vector<double> values(static_cast<size_t>(run * points * 3));
    std::vector<int64_t> seen(static_cast<size_t>(run * points));
    std::vector<size_t> counts(static_cast<size_t>(points));
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
                const size_t slot = static_cast<size_t>(p * run) + counts[static_cast<size_t>(p)]++;
                seen[slot] = f;
                std::copy(xyz, xyz + 3, &values[slot * 3]);
            }
        for (int p = 0; p < points; ++p)
        {
            const size_t slot = static_cast<size_t>(p * run);
            for (int a = 0; a < 3; ++a)
                if (!motion.KeyCurve(curves[static_cast<size_t>(p * 3 + a)], &values[slot * 3 + a],
                                     counts[static_cast<size_t>(p)], 3, &seen[slot]))
                    throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        }
    }
    return true;
}

} // namespace scenesdk
