#include "scenesdk/importers/KScnReaderDxf.h"

#include "scenesdk/importers/KScnDxfData.h"
#include "scenesdk/importers/KScnDxfParser.h"
#include "scenesdk/importers/KScnDxfSceneBuilder.h"

namespace scenesdk
{

namespace
{

// The status text of a successful read: what was left out, briefly.
std::string Summary(const KScnDxfDrawing& drawing)
{
    std::string text = KScnForeignReader::JoinWarnings(drawing.mWarnings, 3);
    if (drawing.mSkipped > 0)
        text += (text.empty() ? "" : "; ") + std::to_string(drawing.mSkipped) +
                " entities skipped (first: " + drawing.mFirstSkipped + ")";
    if (drawing.mUnusedCornerFaces > 0)
        text += (text.empty() ? "" : "; ") + std::to_string(drawing.mUnusedCornerFaces) +
                " polyface faces with an unused corner (index 0) before a used one, read without it";
    return text;
}

} // namespace

bool KScnReaderDxf::Read(KScnImportBuilder& builder, const KStreamOptionsDxf& options)
{
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
