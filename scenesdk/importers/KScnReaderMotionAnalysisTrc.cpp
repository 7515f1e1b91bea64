#include "scenesdk/importers/KScnReaderMotionAnalysisTrc.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnFileMotionAnalysisTrc.h"
#include "scenesdk/importers/KScnMotionBuilder.h"

#include <new>

namespace scenesdk
{

bool KScnReaderMotionAnalysisTrc::Read(KScnImportBuilder& builder,
                                       const KStreamOptionsMotionAnalysisTrc& options)
{
    if (!CheckOption(options.mSceneUnit, "scene unit"))
        return false;
    KScnFileMotionAnalysisTrc file;
    std::string why;
    if (!file.Read(GetBytes().data(), GetBytes().size(), why))
        return Refuse(why);
    if (!CheckBudget(KScnReadBudget::kForeignNodes, file.GetMarkers().size(), "nodes", options,
                     "KStreamOptionsMotionAnalysisTrc"))
        return false;
    std::vector<std::string> warnings = file.GetWarnings();
    double length = 0.0;
    if (!KScnMotionBuilder::FileUnitLength(file.GetUnitName(), options.mSceneUnit, options.mUnitScale,
                                           length) &&
        !file.GetUnitName().empty())
        warnings.push_back("unknown Units " + file.GetUnitName() + ": positions read with the unit scale");

    KScnMotionBuilder motion(builder, options.mTakeName.c_str());
    if (file.GetLastFrame() >= 0 && !motion.SetFrameRate(file.GetFrameRate(), 0, file.GetLastFrame(), why))
        return Refuse(why);
    std::vector<double> columns[3];
    const std::vector<KScnTrcMarker>& markers = file.GetMarkers();
    for (size_t k = 0; k < markers.size(); ++k)
    {
        const KScnTrcMarker& marker = markers[k];
        const std::string name = marker.mName.empty() ? "Marker" + std::to_string(k + 1) : marker.mName;
        KScnNode* node = motion.AddMarkerNode(name, nullptr);
        if (node == nullptr)
            throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        const size_t count = marker.mFrames.size();
        for (std::vector<double>& column : columns)
            column.resize(count);
        for (size_t i = 0; i < count; ++i)
        {
            double p[3] = {marker.mXyz[3 * i] * length, marker.mXyz[3 * i + 1] * length,
                           marker.mXyz[3 * i + 2] * length};
            options.ConvertDirection(p[0], p[1], p[2]);
            for (int a = 0; a < 3; ++a)
                columns[a][i] = p[a];
        }
        for (int a = 0; a < 3; ++a)
            if (!motion.KeyFrames(node, KScnTakeKeys::eTranslation, a, columns[a].data(), count, 1,
                                  marker.mFrames.data()))
                throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
    }
    motion.FilterCurves();
    mStatus = JoinWarnings(warnings).c_str();
    return true;
}

} // namespace scenesdk
