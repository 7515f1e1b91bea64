#pragma once

// KScnForeignReaderOf<TOptions>: the base of a foreign reader whose options
// are of kind TOptions (a KStreamOptionsForeign kind with a class id of its
// own). It does what every such reader does alike: the format is readable,
// CreateReadOptions gives a new TOptions, and Read gets the caller's options
// when they are of that kind, else a TOptions with its defaults (a caller's
// plain KStreamOptionsScn, say) but the caller's switches of the kinds of
// content to read (KStreamOptionsScn::EOption). A reader supplies Read only; everything
// else is KScnForeignReader's (see there for refusals and ownership).

#include "scenesdk/importers/KScnForeignReader.h"
#include "scenesdk/importers/KStreamOptionsForeign.h"

namespace scenesdk
{

template <class TOptions> class KScnForeignReaderOf : public KScnForeignReader
{
public:
    KScnForeignReaderOf(KScnSdkManager* manager, const char* formatName)
        : KScnForeignReader(manager, formatName)
    {
    }

protected:
    bool IsReadable() const override { return true; }
    KStreamOptionsScn* CreateOptions() const override { return new TOptions(); }
    // Reads the open file into the builder; false refuses it (see
    // KScnForeignReader::ReadContent).
    virtual bool Read(KScnImportBuilder& builder, const TOptions& options) = 0;

private:
    bool ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& given) final
    {
        // Options of another kind still say which kinds of content to read.
        TOptions defaults;
        for (int i = 0; i < KStreamOptionsScn::kOptionCount; ++i)
            defaults.SetOption(i, given.GetOption(i));
        return Read(builder, KStreamOptionsForeign::Of(&given, static_cast<const TOptions&>(defaults)));
    }
};

} // namespace scenesdk
