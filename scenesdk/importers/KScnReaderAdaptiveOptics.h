#pragma once

// KScnReaderAdaptiveOptics: the reader of the two Adaptive Optics
// motion-capture formats (mode 0 and mode 1); recognised, not read (see
// KScnForeignReader).

#include "scenesdk/importers/KScnForeignReader.h"

namespace scenesdk
{

class KScnReaderAdaptiveOptics : public KScnForeignReader
{
public:
    // mode 0 or 1 selects the format; any other mode is taken as 0.
    KScnReaderAdaptiveOptics(KScnSdkManager* manager, int mode)
        : KScnForeignReader(manager, mode == 1 ? "Adaptive Optics (mode 1)" : "Adaptive Optics (mode 0)"),
          mMode(mode == 1 ? 1 : 0)
    {
    }

    int GetMode() const { return mMode; }

private:
    int mMode;
};

} // namespace scenesdk
