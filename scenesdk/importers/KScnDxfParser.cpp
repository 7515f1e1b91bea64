#include "scenesdk/importers/KScnDxfParser.h"

#include "scenesdk/importers/KScnDxfKeyword.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"

namespace scenesdk
{

KScnDxfParser::KScnDxfParser(const KStreamOptionsDxf& options, KScnDxfDrawing& out)
    : mOptions(options), mOut(out)
{
}

bool KScnDxfParser::Error(const std::string& reason)
{
    return ErrorAt(mReader.GetPosition(), reason);
}

bool KScnDxfParser::ErrorAt(size_t position, const std::string& reason)
{
    mWhy = mReader.Where(position) + ": " + reason;
    return false;
}

bool KScnDxfParser::Parse(const char* data, size_t size, std::string& why)
{
    mOut = KScnDxfDrawing();
    mLayerOf.clear();
    mBlockOf.clear();
    mPending.clear();
    mLastLayerName = std::string_view();
    mPolylineBlock = -2;
    if (!mReader.Start(data, size, why))
        return false;
    LayerIndex("0");
    KScnDxfGroup group;
    bool ok = false;
    for (bool first = true;; first = false)
    {
        if (!mReader.Next(group))
        {
            if (!mReader.Failed())
                ok = first ? (mWhy = "no group in the file", false) : Error("the file ends without EOF");
            break;
        }
        if (group.code == 999)
            continue;
        if (group.code != 0)
        {
            ok = Error("group code " + std::to_string(group.code) + " outside a section");
            break;
        }
        if (KScnDxfKeyword::Is(group.text, "EOF"))
        {
            ok = Finish();
            break;
        }
        if (!KScnDxfKeyword::Is(group.text, "SECTION"))
        {
            ok = Error("'" + KScnDxfKeyword::Shown(group.text) + "' outside a section");
            break;
        }
        if (!Section())
            break;
    }
    if (!ok)
        why = mReader.Failed() ? mReader.GetError() : mWhy;
    return ok;
}

bool KScnDxfParser::Section()
{
    KScnDxfGroup group;
    if (!mReader.Next(group))
        return mReader.Failed() ? false : Error("the file ends in a section header");
    if (group.code != 2)
        return Error("section without a name");
    if (KScnDxfKeyword::Is(group.text, "HEADER"))
        return Header();
    if (KScnDxfKeyword::Is(group.text, "TABLES"))
        return Records("LAYER", &KScnDxfParser::LayerRecord, "tables");
    if (KScnDxfKeyword::Is(group.text, "BLOCKS"))
        return Records("BLOCK", &KScnDxfParser::Block, "blocks");
    if (KScnDxfKeyword::Is(group.text, "ENTITIES"))
        return EntityList(-1, "ENDSEC", "section ENTITIES");
    return SkipSection();
}

// Every group up to the section's end: the sections this reader does not
// need (CLASSES, OBJECTS, ...) cost one pass over their groups.
bool KScnDxfParser::SkipSection()
{
    KScnDxfGroup group;
    while (mReader.Next(group))
        if (group.code == 0 && KScnDxfKeyword::Is(group.text, "ENDSEC"))
            return true;
    return mReader.Failed() ? false : Error("the file ends inside a section");
}

bool KScnDxfParser::SkipRecord()
{
    KScnDxfGroup group;
    while (mReader.Next(group))
        if (group.code == 0)
        {
            mReader.PutBack();
            return true;
        }
    return !mReader.Failed();
}

bool KScnDxfParser::Header()
{
    KScnDxfGroup group;
    bool units = false;
    while (mReader.Next(group))
    {
        if (group.code == 0 && KScnDxfKeyword::Is(group.text, "ENDSEC"))
            return true;
        if (group.code == 9)
            units = KScnDxfKeyword::Is(group.text, "$INSUNITS");
        else if (units && group.code == 70)
            mOut.mUnits = static_cast<int>(group.integer);
    }
    return mReader.Failed() ? false : Error("the file ends inside the header");
}

bool KScnDxfParser::Records(const char* wanted, bool (KScnDxfParser::*read)(), const char* what)
{
    KScnDxfGroup group;
    while (mReader.Next(group))
    {
        if (group.code != 0)
            continue;
        if (KScnDxfKeyword::Is(group.text, "ENDSEC"))
            return true;
        if (KScnDxfKeyword::Is(group.text, wanted) ? !(this->*read)() : !SkipRecord())
            return false;
    }
    return mReader.Failed() ? false : Error(std::string("the file ends inside the ") + what);
}

bool KScnDxfParser::LayerRecord()
{
    KScnDxfGroup group;
    std::string_view name;
    int64_t number = kDxfDefaultColour;
    int64_t trueColour = -1;
    while (mReader.Next(group))
    {
        if (group.code == 0)
        {
            mReader.PutBack();
            break;
        }
        if (group.code == 2)
            name = group.text;
        else if (group.code == 62)
            number = group.integer;
        else if (group.code == 420)
            trueColour = group.integer;
    }
    if (mReader.Failed())
        return false;
    if (name.empty())
        return true;
    // A negative number marks a layer that is off; the colour is the same.
    if (number < 0)
        number = -number;
    KScnDxfLayer& layer = mOut.mLayers[static_cast<size_t>(LayerIndex(name))];
    layer.mColour = number >= 1 && number <= 255 ? static_cast<int32_t>(number) : kDxfDefaultColour;
    if (trueColour >= 0)
        layer.mColour = kDxfTrueColour | static_cast<int32_t>(trueColour & 0xFFFFFF);
    return true;
}

bool KScnDxfParser::Block()
{
    mRecordAt = mReader.GetPosition();
    if (!ReadRecord("BLOCK", mRecord))
        return false;
    const int32_t index = static_cast<int32_t>(mOut.mBlocks.size());
    mOut.mBlocks.emplace_back();
    KScnDxfBlock& block = mOut.mBlocks.back();
    block.mName = std::string(mRecord.name);
    for (int i = 0; i < 3; ++i)
        block.mBase[i] = mRecord.points[0][i];
    // A second definition of a name is kept apart: no INSERT reaches it.
    if (!mBlockOf.emplace(KScnDxfKeyword::Key(mRecord.name), index).second)
        mOut.mWarnings.push_back("block defined twice, first kept: " + block.mName);
    return EntityList(index, "ENDBLK", "block " + block.mName);
}

bool KScnDxfParser::EntityList(int32_t block, const char* end, const std::string& what)
{
    KScnDxfGroup group;
    while (true)
    {
        if (!mReader.Next(group))
            return mReader.Failed() ? false : Error(what + " not ended");
        if (group.code != 0)
            continue;
        const std::string_view type = group.text;
        if (KScnDxfKeyword::Is(type, end))
            return FinishPolyline() && SkipRecord();
        if (KScnDxfKeyword::Is(type, "ENDSEC") || KScnDxfKeyword::Is(type, "ENDBLK") ||
            KScnDxfKeyword::Is(type, "EOF") || KScnDxfKeyword::Is(type, "SECTION"))
            return Error(what + " not ended");
        mRecordAt = mReader.GetPosition();
        if (!ReadRecord(type, mRecord) || !Entity(mRecord, block))
            return false;
    }
}

bool KScnDxfParser::ReadRecord(std::string_view type, SRecord& r)
{
    r.type = type;
    r.name = std::string_view();
    r.layer = 0;
    r.colour = kDxfByLayer;
    r.hasColour = false;
    r.paperSpace = false;
    for (int i = 0; i < 4; ++i)
    {
        r.points[i][0] = r.points[i][1] = r.points[i][2] = 0.0;
        r.hasPoint[i] = false;
    }
    r.extrusion[0] = r.extrusion[1] = 0.0;
    r.extrusion[2] = 1.0;
    r.elevation = 0.0;
    r.scale[0] = r.scale[1] = r.scale[2] = 1.0;
    r.spacing[0] = r.spacing[1] = 0.0;
    r.rotation = 0.0;
    for (int64_t& i : r.ints)
        i = 0;
    r.vertices.clear();
    const bool lightweight = KScnDxfKeyword::Is(type, "LWPOLYLINE");
    int64_t trueColour = -1;
    KScnDxfGroup group;
    while (mReader.Next(group))
    {
        if (group.code == 0)
        {
            mReader.PutBack();
            break;
        }
        if (group.code == 420)
            trueColour = group.integer;
        else if (!RecordGroup(group, r, lightweight))
            return false;
    }
    if (mReader.Failed())
        return false;
    if (trueColour >= 0)
    {
        r.colour = kDxfTrueColour | static_cast<int32_t>(trueColour & 0xFFFFFF);
        r.hasColour = true;
    }
    return true;
}

bool KScnDxfParser::RecordGroup(const KScnDxfGroup& g, SRecord& r, bool lightweight)
{
    const int code = g.code;
    if (code >= 10 && code <= 33 && code % 10 <= 3)
    {
        if (lightweight && code == 10)
            r.vertices.insert(r.vertices.end(), {g.number, 0.0});
        else if (lightweight && code == 20)
        {
            if (!r.vertices.empty())
                r.vertices.back() = g.number;
        }
        else
        {
            r.points[code % 10][code / 10 - 1] = g.number;
            r.hasPoint[code % 10] = true;
        }
        return true;
    }
    switch (code)
    {
    case 2:
        r.name = g.text;
        break;
    case 8:
        r.layer = LayerIndex(g.text);
        break;
    case 38:
        r.elevation = g.number;
        break;
    case 41:
    case 42:
    case 43:
        r.scale[code - 41] = g.number;
        break;
    case 44:
    case 45:
        r.spacing[code - 44] = g.number;
        break;
    case 50:
        r.rotation = g.number;
        break;
    case 62:
        r.hasColour = true;
        return Colour(g.integer, r.colour);
    case 67:
        r.paperSpace = g.integer != 0;
        break;
    case 210:
    case 220:
    case 230:
        r.extrusion[code / 10 - 21] = g.number;
        break;
    default:
        if (code >= 70 && code <= 75)
            r.ints[code - 70] = g.integer;
        break;
    }
    return true;
}

// An entity's colour number: 0 by block, 256 by layer, 257 "by entity"
// (which without a true colour falls back to white).
bool KScnDxfParser::Colour(int64_t value, int32_t& out)
{
    if (value < 0)
        value = -value;
    if (value > 257)
        return Error("colour number " + std::to_string(value) + " out of range");
    out = value == 257 ? kDxfDefaultColour : static_cast<int32_t>(value);
    return true;
}

int32_t KScnDxfParser::LayerIndex(std::string_view name)
{
    // Entities come in runs on one layer: the last name answers most look-ups.
    if (!mOut.mLayers.empty() && name == mLastLayerName)
        return mLastLayer;
    const auto found = mLayerOf.emplace(KScnDxfKeyword::Key(name), static_cast<int32_t>(mOut.mLayers.size()));
    if (found.second)
    {
        mOut.mLayers.emplace_back();
        mOut.mLayers.back().mName = std::string(name);
        mOut.mModel.emplace_back();
    }
    mLastLayerName = name;
    mLastLayer = found.first->second;
    return mLastLayer;
}

// Every INSERT finds its block once all blocks are known (a block may be
// defined after the INSERTs that place it).
bool KScnDxfParser::Finish()
{
    for (const SPendingInsert& p : mPending)
    {
        const auto found = mBlockOf.find(KScnDxfKeyword::Key(p.name));
        if (found == mBlockOf.end())
        {
            mWhy = "INSERT of an unknown block: " + KScnDxfKeyword::Shown(p.name);
            return false;
        }
        KScnDxfGeometry& g = Target(p.block, p.layer);
        g.mInserts[p.index].block = found->second;
    }
    mPending.clear();
    return true;
}

} // namespace scenesdk
