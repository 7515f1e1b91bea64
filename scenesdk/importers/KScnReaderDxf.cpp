#include "scenesdk/importers/KScnReaderDxf.h"

#include "scenesdk/importers/KScnDxfData.h"
#include "scenesdk/importers/KScnDxfParser.h"
#include "scenesdk/importers/KScnDxfSceneBuilder.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"

namespace scenesdk
{

namespace
{

// The status text of a successful read: what was left out, briefly.
std::string Summary(const KScnDxfDrawing& drawing)
{
    std::string text;
    for (size_t i = 0; i < drawing.mWarnings.size() && i < 3; ++i)
        text += (text.empty() ? "" : "; ") + drawing.mWarnings[i];
    if (drawing.mWarnings.size() > 3)
        text += "; " + std::to_string(drawing.mWarnings.size() - 3) + " more warnings";
    if (drawing.mSkipped > 0)
        text += (text.empty() ? "" : "; ") + std::to_string(drawing.mSkipped) +
                " entities skipped (first: " + drawing.mFirstSkipped + ")";
    return text;
}

} // namespace

KStreamOptionsScn* KScnReaderDxf::CreateOptions() const
{
    return new KStreamOptionsDxf();
}

bool KScnReaderDxf::ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& given)
{
    const KStreamOptionsDxf defaults;
    const KStreamOptionsDxf& options = KStreamOptionsForeign::Of(&given, defaults);
    KScnDxfDrawing drawing;
    std::string why;
    KScnDxfParser parser(options, drawing);
    if (!parser.Parse(GetBytes().data(), GetBytes().size(), why))
        return Refuse(why);
    if (!KScnDxfSceneBuilder::Build(builder, drawing, GetBytes().size(), options, why))
        return Refuse(why);
    mStatus = Summary(drawing).c_str();
    return true;
}

} // namespace scenesdk
