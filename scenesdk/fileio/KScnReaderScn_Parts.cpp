// The scene reader's parts besides models, materials and textures: scene
// information, characters and the time warps of a take.

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterParameters.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnReaderScnParts.h"
#include "scenesdk/kernel/KSaturate.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KSortedIntMap.h"

#include <cstring>
#include <set>

namespace scenesdk
{
namespace scnread
{

namespace
{

bool Is(KScn& f, const char* name)
{
    return std::strcmp(f.GetFieldName(), name) == 0;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The Thumbnail field's picture; false when its size, format or data do not
// agree (the picture is then left empty).
bool ReadThumbnail(KScn& f, KScnThumbnailImage& image)
{
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return false;
    const int width = f.ReadIntField("Width", 0);
    const int height = f.ReadIntField("Height", 0);
    const std::string format = f.ReadStringField("Format", "");
    const std::string data = f.ReadStringField("Data", "");
    f.LeaveFieldBlock();
    const bool rgb = format == "RGB";
    // The size is checked against the data before any pixel is allocated:
    // the file cannot ask for more memory than it brings.
    if ((!rgb && format != "RGBA") || width < 0 || height < 0 ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * (rgb ? 3u : 4u) * 2u != data.size() ||
        !image.SetSize(width, height, rgb ? KScnThumbnailImage::eRGB24 : KScnThumbnailImage::eRGBA32))
    {
        image.SetSize(0, 0, KScnThumbnailImage::eRGB24);
        return false;
    }
    uint8_t* out = image.GetData();
    for (size_t i = 0; i < data.size(); i += 2)
    {
        const int high = HexDigit(data[i]);
        const int low = HexDigit(data[i + 1]);
        if (high < 0 || low < 0)
        {
            image.SetSize(0, 0, KScnThumbnailImage::eRGB24);
            return false;
        }
        out[i / 2] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

// The slot without a link group, written as a field of its own.
constexpr int kReferenceNodeId = 67;

// The fields of a slot's block with three numbers, in SSlot::vectors order.
const char* const kSlotVectors[8] = {"OffsetT",     "OffsetR",     "OffsetS",     "ParentOffsetR",
                                     "RotationMin", "RotationMax", "PreRotation", "PostRotation"};

void ReadSlot(KScn& f, SSlot& slot)
{
    slot.model = f.NextValueAsString();
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    while (f.OpenNextField())
    {
        for (int i = 0; i < 8; ++i)
            if (Is(f, kSlotVectors[i]))
            {
                slot.vectors[i] = Numbers(f);
                slot.rotationSpace = slot.rotationSpace || i >= 4;
            }
        if (Is(f, "MinEnable") || Is(f, "MaxEnable"))
        {
            (Is(f, "MinEnable") ? slot.minEnable : slot.maxEnable) = Numbers(f);
            slot.rotationSpace = true;
        }
        else if (Is(f, "RotationOrder"))
        {
            slot.rotationOrder = f.NextValueAsInt();
            slot.rotationSpace = true;
        }
        else if (Is(f, "AxisLength"))
        {
            slot.axisLength = f.NextValueAsDouble();
            slot.rotationSpace = true;
        }
    }
    f.LeaveFieldBlock();
}

int SectionOf(const char* field)
{
    for (int group = 0; group < KScnCharacter::kLinkGroupCount; ++group)
        if (std::strcmp(KScnCharacter::GetLinkGroupSection(group), field) == 0)
            return group;
    return -1;
}

// The id of the row named name in group; -1 when the group has none.
int RowId(int group, const char* name)
{
    for (int row = 0; row < KScnCharacter::GetLinkGroupSize(group); ++row)
        if (std::strcmp(KScnCharacter::GetLinkGroupName(group, row), name) == 0)
            return KScnCharacter::GetLinkGroupNodeId(group, row);
    return -1;
}

bool AddSlot(KScn& f, int id, SCharacter& c, std::set<int>& seen, std::string& error)
{
    if (!seen.insert(id).second)
    {
        error = "character \"" + c.name + "\": slot \"" + f.GetFieldName() + "\" given twice";
        return false;
    }
    SSlot slot;
    slot.id = id;
    ReadSlot(f, slot);
    c.slots.push_back(std::move(slot));
    return true;
}

// The node id whose bare link name ("Hips", "Reference", ...) is name; -1
// when none.
int LinkId(const char* name)
{
    for (int id = 0; id < KScnCharacter::kNodeCount; ++id)
    {
        const char* link = nullptr;
        if (KScnCharacter::GetLinkName(id, link) && std::strcmp(link, name) == 0)
            return id;
    }
    return -1;
}

// The effector switches by file key, in SEffector::switches order.
const char* const kSwitchKeys[5] = {"SHOW", "TACTIVE", "RACTIVE", "CANDIDATE_TACTIVE", "CANDIDATE_RACTIVE"};

void ReadEffector(KScn& f, SEffector& e, int& skipped)
{
    e.model = f.NextValueAsString();
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    while (f.OpenNextField())
    {
        for (int i = 0; i < 5; ++i)
            if (Is(f, kSwitchKeys[i]))
                e.switches[i] = f.NextValueAsInt() != 0 ? 1 : 0;
        if (Is(f, "Aux"))
            while (f.RemainingValueCount() > 0)
            {
                std::string model = f.NextValueAsString();
                if (e.aux.size() < static_cast<size_t>(KScnControlSet::kAuxCount))
                    e.aux.push_back(std::move(model));
                else
                    ++skipped;
            }
    }
    f.LeaveFieldBlock();
}

// The block of a ControlSet field (the current field).
bool ReadControlSet(KScn& f, SCharacter& c, std::string& error)
{
    SControlSet& set = c.controlSet;
    set.present = true;
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    std::set<int> links, effectors;
    bool ok = true;
    while (ok && f.OpenNextField())
    {
        if (Is(f, "Type"))
            set.type = f.NextValueAsInt();
        else if (Is(f, "UseAxis"))
            set.useAxis = f.NextValueAsInt() != 0;
        else if (Is(f, "LOCK_XFORM"))
            set.lockTransform = f.NextValueAsInt() != 0;
        else if (Is(f, "LOCK_PICK"))
            set.lockPick = f.NextValueAsInt() != 0;
        else if ((Is(f, "Links") || Is(f, "Effectors")) && f.HasFieldBlock())
        {
            const bool isLinks = Is(f, "Links");
            f.EnterFieldBlock();
            while (ok && f.OpenNextField())
            {
                const int id =
                    isLinks ? LinkId(f.GetFieldName()) : KScnControlSet::FindEffectorId(f.GetFieldName());
                if (id < 0)
                {
                    ++c.skipped;
                    continue;
                }
                if (!(isLinks ? links : effectors).insert(id).second)
                {
                    error = "character \"" + c.name + "\": control set " + (isLinks ? "link" : "effector") +
                            " \"" + f.GetFieldName() + "\" given twice";
                    ok = false;
                }
                else if (isLinks)
                    set.links.emplace_back(id, f.NextValueAsString());
                else
                {
                    SEffector e;
                    e.id = id;
                    ReadEffector(f, e, c.skipped);
                    set.effectors.push_back(std::move(e));
                }
            }
            f.LeaveFieldBlock();
        }
    }
    f.LeaveFieldBlock();
    return ok;
}

KScnNode* NodeNamed(const std::map<std::string, KScnNode*>& nodes, const std::string& model, int& skipped)
{
    const auto it = nodes.find(model);
    if (it != nodes.end())
        return it->second;
    ++skipped;
    return nullptr;
}

void BuildControlSet(KScnSceneRoot& scene, KScnCharacter& character, const SCharacter& c,
                     const std::map<std::string, KScnNode*>& nodes, SMadeCharacters& made, int& skipped)
{
    const SControlSet& s = c.controlSet;
    KScnControlSet* set = character.GetControlSet();
    set->SetType(static_cast<KScnControlSet::EType>(s.type));
    set->SetUseAxis(s.useAxis);
    set->SetLockTransform(s.lockTransform);
    set->SetLockPick(s.lockPick);
    for (const auto& link : s.links)
    {
        KScnControlSetLink record;
        record.node = NodeNamed(nodes, link.second, skipped);
        record.name = link.second.c_str();
        set->SetControlSetLink(link.first, record);
    }
    for (const SEffector& e : s.effectors)
    {
        KScnControlSetEffector record;
        record.node = NodeNamed(nodes, e.model, skipped);
        uint8_t* switches[5] = {&record.show, &record.tActive, &record.rActive, &record.candidateTActive,
                                &record.candidateRActive};
        for (int i = 0; i < 5; ++i)
            if (e.switches[i] >= 0)
                *switches[i] = static_cast<uint8_t>(e.switches[i]);
        if (record.node == nullptr)
            continue; // an effector is set by its node
        set->SetEffector(e.id, record);
        // An empty name ("") holds a place: the next names keep theirs.
        for (size_t i = 0; i < e.aux.size(); ++i)
            if (KScnNode* node = e.aux[i].empty() ? nullptr : NodeNamed(nodes, e.aux[i], skipped))
                set->SetEffectorAux(e.id, node, static_cast<int>(i) + 1);
    }
    const std::string plugName = c.name + "_Ctrl";
    KScnControlSetPlug* plug = scene.GetControlSetPlug(scene.CreateControlSetPlug(plugName.c_str()));
    if (plug != nullptr)
    {
        set->CopyToPlug(plug);
        made.plugs[plugName] = plug;
    }
}

KgeTVector Vector(const std::vector<double>& v, const KgeTVector& otherwise)
{
    return v.size() >= 3 ? KgeTVector(v[0], v[1], v[2], 1.0) : otherwise;
}

} // namespace

std::vector<double> Numbers(KScn& f)
{
    std::vector<double> out(static_cast<size_t>(f.RemainingValueCount()));
    out.resize(static_cast<size_t>(f.NextValuesAsDouble(out.data(), static_cast<int>(out.size()))));
    return out;
}

bool ReadSceneInfo(KScn& f, KScnSceneMetaData& out, int& skipped)
{
    f.Rewind();
    if (!f.OpenField("SceneInfo"))
    {
        f.Rewind();
        return false;
    }
    if (f.HasFieldBlock() && f.EnterFieldBlock())
    {
        KString* texts[6] = {&out.mTitle,    &out.mSubject,  &out.mAuthor,
                             &out.mKeywords, &out.mRevision, &out.mComment};
        const char* const names[6] = {"Title", "Subject", "Author", "Keywords", "Revision", "Comment"};
        for (int i = 0; i < 6; ++i)
            *texts[i] = f.ReadStringField(names[i], "");
        if (f.OpenField("Thumbnail"))
        {
            KScnThumbnailImage image;
            if (ReadThumbnail(f, image))
                out.SetThumbnail(&image);
            else
                ++skipped;
        }
        f.LeaveFieldBlock();
    }
    f.Rewind();
    return true;
}

bool ReadCharacter(KScn& f, SCharacter& c, std::string& error)
{
    c.name = f.NextValueAsString();
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    std::set<int> seen;
    bool ok = true;
    while (ok && f.OpenNextField())
    {
        const int group = SectionOf(f.GetFieldName());
        if (Is(f, "Properties") || Is(f, "Parameters"))
        {
            std::vector<SValues> p = ReadProperties(f);
            std::vector<SValues>& list = Is(f, "Properties") ? c.properties : c.parameters;
            list.insert(list.end(), p.begin(), p.end());
        }
        else if (Is(f, "Reference"))
            ok = AddSlot(f, kReferenceNodeId, c, seen, error);
        else if (Is(f, "ControlSet"))
            ok = ReadControlSet(f, c, error);
        else if (Is(f, "Source"))
        {
            c.sourceKind = f.NextValueAsString();
            c.sourceName = f.NextValueAsString();
        }
        else if (group >= 0 && f.HasFieldBlock() && f.EnterFieldBlock())
        {
            while (ok && f.OpenNextField())
            {
                const int id = RowId(group, f.GetFieldName());
                if (id < 0)
                    ++c.skipped;
                else
                    ok = AddSlot(f, id, c, seen, error);
            }
            f.LeaveFieldBlock();
        }
    }
    f.LeaveFieldBlock();
    return ok;
}

KScnCharacter* BuildCharacter(KScnSceneRoot& scene, const SCharacter& c,
                              const std::map<std::string, KScnNode*>& nodes, SMadeCharacters& made, int& skipped)
{
    KScnCharacter* character = scene.GetCharacter(scene.CreateCharacter(c.name.c_str()));
    if (character == nullptr)
        return nullptr;
    FillCharacter(scene, character, c, nodes, made, skipped);
    made.characters[c.name] = character;
    return character;
}

void FillCharacter(KScnSceneRoot& scene, KScnCharacter* character, const SCharacter& c,
                   const std::map<std::string, KScnNode*>& nodes, SMadeCharacters& made, int& skipped)
{
    skipped += c.skipped;
    // The parameter table first; the properties mirror it from then on, and
    // the file's properties then write through their setters (which clamp
    // and write back into the table).
    KScnCharacterParameters* parameters = character->GetParameters();
    for (const SValues& p : c.parameters)
    {
        const int index = KScnCharacterParameters::FindIndex(p.name.c_str());
        const std::vector<double>& v = p.numbers;
        if (index < 0 || v.empty() || v.size() > 2)
        {
            ++skipped;
            continue;
        }
        if (v.size() == 2 && !parameters->SetInt(index, KSaturateToInt(v[0])))
            ++skipped;
        parameters->SetDouble(index, v.back());
    }
    character->GetCharacterProperties()->ReadParameters();
    for (const SValues& p : c.properties)
        if (!SetByName(character->GetPropertyHandler(), p))
            ++skipped;
    for (const SSlot& s : c.slots)
    {
        KScnCharacterNodeLink record;
        record.name = s.model.c_str();
        record.node = NodeNamed(nodes, s.model, skipped);
        record.offsetT = Vector(s.vectors[0], record.offsetT);
        record.offsetR = Vector(s.vectors[1], record.offsetR);
        record.offsetS = Vector(s.vectors[2], record.offsetS);
        record.parentOffsetR = Vector(s.vectors[3], record.parentOffsetR);
        record.rotationMin = Vector(s.vectors[4], record.rotationMin);
        record.rotationMax = Vector(s.vectors[5], record.rotationMax);
        record.preRotation = Vector(s.vectors[6], record.preRotation);
        record.postRotation = Vector(s.vectors[7], record.postRotation);
        for (size_t axis = 0; axis < 3; ++axis)
        {
            if (axis < s.minEnable.size())
                record.minEnable[axis] = s.minEnable[axis] != 0.0 ? 1 : 0;
            if (axis < s.maxEnable.size())
                record.maxEnable[axis] = s.maxEnable[axis] != 0.0 ? 1 : 0;
        }
        record.hasRotationSpace = s.rotationSpace ? 1 : 0;
        record.rotationOrder = s.rotationOrder;
        record.axisLength = s.axisLength;
        character->SetLink(s.id, record, true);
    }
    if (c.controlSet.present)
        BuildControlSet(scene, *character, c, nodes, made, skipped);
}

void ConnectCharacterSource(const SCharacter& c, const SMadeCharacters& made, int& skipped)
{
    const auto self = made.characters.find(c.name);
    if (c.sourceKind.empty() || self == made.characters.end())
        return;
    const bool plug = c.sourceKind == "ControlSetPlug";
    const auto& list = plug ? made.plugs : made.characters;
    const auto source = list.find(c.sourceName);
    if ((!plug && c.sourceKind != "Character") || source == list.end() || source->second == self->second)
    {
        ++skipped;
        return;
    }
    static_cast<KScnCharacter*>(self->second)
        ->ConnectSource(plug ? KScnCharacter::eSourceControlSetPlug : KScnCharacter::eSourceCharacter,
                        source->second);
}

bool CheckTimeWarpIds(KScn& f, std::string& error)
{
    f.Rewind();
    bool ok = true;
    if (f.OpenField("Takes") && f.HasFieldBlock() && f.EnterFieldBlock())
    {
        while (ok && f.OpenField("Take"))
        {
            const std::string take = f.NextValueAsString();
            if (f.HasFieldBlock() && f.EnterFieldBlock())
            {
                if (f.OpenField("TimeWarps") && f.HasFieldBlock() && f.EnterFieldBlock())
                {
                    std::set<int> ids;
                    while (ok && f.OpenField("TimeWarp"))
                    {
                        const int id = f.NextValueAsInt();
                        if (!ids.insert(id).second)
                        {
                            error = "take \"" + take + "\": time warp " + std::to_string(id) + " given twice";
                            ok = false;
                        }
                        f.CloseField();
                    }
                    f.LeaveFieldBlock();
                }
                f.LeaveFieldBlock();
            }
            f.CloseField();
        }
    }
    f.Rewind();
    return ok;
}

// ---- Time warps of a take ----

struct KScnTimeWarpScope::Impl
{
    KSortedIntMap map;
    KSortedIntMap* previous = nullptr;
};

KScnTimeWarpScope::KScnTimeWarpScope(KScn& f) : mImpl(std::make_unique<Impl>())
{
    mImpl->previous = GetCurrentTimeWarpSet();
    // Stopped part-way (memory running out), it lets go of the warps read.
    try
    {
        if (f.OpenField("TimeWarps") && f.HasFieldBlock() && f.EnterFieldBlock())
        {
            while (f.OpenField("TimeWarp"))
            {
                // Id 0 stands for "no time warp" in the channels.
                const int id = f.NextValueAsInt();
                if (id != 0 && mWarps.count(id) == 0 && f.HasFieldBlock() && f.EnterFieldBlock())
                {
                    KFCurveNode* warp = KFCurveNode::ReadScnChannel(f, false, false);
                    f.LeaveFieldBlock();
                    if (warp != nullptr)
                    {
                        // Listed first, then held: nothing is lost either way.
                        try
                        {
                            mWarps.emplace(id, warp);
                        }
                        catch (...)
                        {
                            KFCurveNode::Destroy(warp);
                            throw;
                        }
                        warp->AddReference();
                        mImpl->map.Add(static_cast<uint32_t>(id), reinterpret_cast<uintptr_t>(warp));
                    }
                }
                f.CloseField();
            }
            f.LeaveFieldBlock();
        }
        f.CloseField();
    }
    catch (...)
    {
        for (auto& entry : mWarps)
            entry.second->ReleaseReference();
        throw;
    }
    SetCurrentTimeWarpSet(&mImpl->map);
}

KScnTimeWarpScope::~KScnTimeWarpScope()
{
    SetCurrentTimeWarpSet(mImpl->previous);
    // The channels that use a warp hold references of their own.
    for (auto& entry : mWarps)
        entry.second->ReleaseReference();
}

} // namespace scnread
} // namespace scenesdk
