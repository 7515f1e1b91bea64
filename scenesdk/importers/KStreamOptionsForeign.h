#pragma once

// KStreamOptionsForeign: the read options every foreign-format reader shares,
// on top of the scene file options (so the importer carries them unchanged):
// a unit scale applied to every length read, an axis conversion, and the
// frame rate of formats that do not store one.
//
// Each format derives its own kind (KStreamOptionsObj, ...) with a class id
// of its own; a reader given options of another kind (a caller's plain
// KStreamOptionsScn, say) reads with its defaults (KScnForeignReaderOf).
// Pattern of a kind:
//
//     class KStreamOptionsXyz : public KStreamOptionsForeign
//     {
//     public:
//         static int GetClassId() { return 0x...; }
//         bool Is(int id) const override
//         { return id == GetClassId() || KStreamOptionsForeign::Is(id); }
//         ... public fields with their defaults ...
//     };
//
// Class ids in use (four letters, one kind each; a test keeps them apart):
// KStreamOptionsScn 'SCNO', this class 'FRNO', KStreamOptionsObj 'OBJO',
// KStreamOptions3DS '3DSE', KStreamOptionsDxf 'DXFS', KStreamOptionsBiovision
// 'BVHS', KStreamOptionsMotionAnalysisHtr 'HTRS',
// KStreamOptionsMotionAnalysisTrc 'TRCS', KStreamOptionsAcclaim 'ACLM' (ASF
// and AMC), KStreamOptionsAdaptiveOptics 'AOAD', KStreamOptionsWavefrontMov
// 'MOVC', KStreamOptionsVicon 'C3DS'. A new kind takes four letters of its
// own. A reader of a kind derives from KScnForeignReaderOf<kind>.

#include "scenesdk/fileio/KStreamOptionsScn.h"

namespace scenesdk
{

class KStreamOptionsForeign : public KStreamOptionsScn
{
public:
    enum EAxisConversion
    {
        eAxisAsIs = 0,    // the file's axes are taken as the scene's (Y up)
        eAxisZUpToYUp = 1 // the file is Z up: (x, y, z) becomes (x, z, -y)
    };

    static int GetClassId() { return 0x46524e4f; }
    bool Is(int classId) const override { return classId == GetClassId() || KStreamOptionsScn::Is(classId); }

    // Every length read is multiplied by this (file units to scene units).
    double mUnitScale = 1.0;
    int mAxisConversion = eAxisAsIs;
    // Frames per second for formats whose files do not say; a reader whose
    // file states a rate uses the file's.
    double mFrameRate = 30.0;

    // A position of the file in scene space: scaled, then axes converted.
    void ConvertPosition(double& x, double& y, double& z) const;
    // A direction (a normal): axes converted only.
    void ConvertDirection(double& x, double& y, double& z) const;

    // The options of kind T when options are of that kind, else defaults:
    // a reader's one call to find what it was asked for.
    template <class T> static const T& Of(const KStreamOptionsScn* options, const T& defaults)
    {
        return options != nullptr && options->Is(T::GetClassId()) ? static_cast<const T&>(*options)
                                                                  : defaults;
    }
};

} // namespace scenesdk
