#pragma once

// KScnReaderAdaptiveOptics: the reader of the two Adaptive Optics
// motion-capture formats: mode 0 the text marker files (AOA), mode 1 the
// MCD files. AOA files are recognised, not read yet; no public description
// of the MCD layout is known, so mode 1 refuses every file with error 7 and
// a message that says so (see KScnForeignReader).

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

protected:
    std::string GetUnreadableMessage() const override
    {
        if (mMode == 1)
            return std::string(GetFormatName()) +
                   " files cannot be read: their layout is not known to this build";
        return KScnForeignReader::GetUnreadableMessage();
    }

private:
    int mMode;
};

} // namespace scenesdk
