#include "scenesdk/importers/KScnReader3DS.h"

#include "scenesdk/importers/KScn3DSData.h"
#include "scenesdk/importers/KScn3DSParser.h"
#include "scenesdk/importers/KScn3DSSceneBuilder.h"
#include "scenesdk/importers/KStreamOptions3DS.h"

namespace scenesdk
{

namespace
{

// The status text of a successful read: what was left out, briefly.
std::string Summary(const std::vector<std::string>& warnings, int skipped)
{
    std::string text;
    for (size_t i = 0; i < warnings.size() && i < 3; ++i)
        text += (text.empty() ? "" : "; ") + warnings[i];
    if (warnings.size() > 3)
        text += "; " + std::to_string(warnings.size() - 3) + " more warnings";
    if (skipped > 0)
        text += (text.empty() ? "" : "; ") + std::to_string(skipped) + " chunks skipped";
    return text;
}

} // namespace

KStreamOptionsScn* KScnReader3DS::CreateOptions() const
{
    return new KStreamOptions3DS();
}

bool KScnReader3DS::ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& given)
{
    const KStreamOptions3DS defaults;
    const KStreamOptions3DS& options = KStreamOptionsForeign::Of(&given, defaults);
    KScn3DSData data;
    std::string why;
    if (!KScn3DSParser::Parse(GetBytes().data(), GetBytes().size(), data, why))
        return Refuse(why);
    std::string folder = GetFolder();
    for (char& c : folder)
        c = c == '\\' ? '/' : c;
    std::vector<std::string> warnings = data.mWarnings;
    if (!KScn3DSSceneBuilder::Build(builder, data, options, folder, warnings, why))
        return Refuse(why);
    mStatus = Summary(warnings, data.mSkipped).c_str();
    return true;
}

} // namespace scenesdk
