#include "scenesdk/fileio/KScnReaderScn.h"

#include "scenesdk/animation/KFCurveFilterTimeShiftAndScale.h"
#include "scenesdk/animation/KFCurveMerge.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnOpticalReference.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/fileio/KScnEncryptedWrapper.h"
#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/fileio/KScnMergeNames.h"
#include "scenesdk/fileio/KScnReadUndo.h"
#include "scenesdk/fileio/KScnReaderScnAttributes.h"
#include "scenesdk/fileio/KScnReaderScnParts.h"
#include "scenesdk/fileio/KScnReaderScnSceneParts.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KSaturate.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

#include <zlib.h>

namespace scenesdk
{

// ---- The document as plain records (read and checked before building) ----

namespace scnread
{

// Reads a Properties block (current field) as name + numbers, in file order.
std::vector<SValues> ReadProperties(KScn& f)
{
    std::vector<SValues> out;
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return out;
    while (f.OpenNextField())
    {
        SValues v;
        v.name = f.GetFieldName();
        // Each value as a text (numbers of a binary file give their shortest
        // form), so that an enumeration may be given by name.
        while (f.RemainingValueCount() > 0)
        {
            const char* text = f.NextValueAsString();
            if (v.numbers.empty())
                v.text = text;
            v.numbers.push_back(std::strtod(text, nullptr));
        }
        out.push_back(std::move(v));
    }
    f.LeaveFieldBlock();
    return out;
}

// Enumerations given by name are looked up among the values below this.
constexpr int kMaxEnumValue = 64;

// Sets a property of the set by name from the file's values (see the scene
// file format's property table). False when the set has no such property, or
// the values do not fit its type.
bool SetByName(KObject* set, const SValues& p)
{
    KProperty* property = set != nullptr ? set->FindProperty(p.name.c_str()) : nullptr;
    if (property == nullptr)
        return false;
    const std::vector<double>& v = p.numbers;
    switch (property->GetTypeCode())
    {
    case eKPropEnum:
        for (int value = 0; value < kMaxEnumValue && !v.empty(); ++value)
        {
            const char* name = property->GetEnumName(value);
            if (name != nullptr && p.text == name)
                return property->SetInt(value);
        }
        // A number outside an enumeration with names is refused (by the
        // property): the enumeration ends at its first value without a name.
        return !v.empty() && property->SetInt(KSaturateToInt(v[0]));
    case eKPropInt:
    case eKPropBool:
        return !v.empty() && property->SetInt(KSaturateToInt(v[0]));
    case eKPropFloat:
    case eKPropDouble:
        return !v.empty() && property->SetDouble(v[0]);
    case eKPropCharPtr:
    case eKPropString:
        // The file's text lives only while the file is read.
        return property->SetStringCopy(p.text.c_str());
    case eKPropVector4D:
    case eKPropVector3D:
    case eKPropColorRGB:
    case eKPropColorRGBA:
    {
        if (v.size() < 3)
            return false;
        const bool fourth =
            property->GetTypeCode() == eKPropVector4D || property->GetTypeCode() == eKPropColorRGBA;
        const double buffer[4] = {v[0], v[1], v[2], v.size() >= 4 ? v[3] : (fourth ? 1.0 : 0.0)};
        return property->SetFromDoubles(buffer);
    }
    default:
        return false;
    }
}

} // namespace scnread

using namespace scnread;

namespace
{

struct SUserProperty
{
    std::string name, type, label;
    std::vector<double> numbers;
    // The value of a "Time" user property, read as a time.
    bool hasTime = false;
    KTime time;
};

struct SElement
{
    int type = 0;
    int mapping = 0;
    int reference = 0;
    bool hasValues = false, hasIndices = false;
    std::vector<double> values;
    std::vector<int> indices;
    int blendMode = 0;
    double alpha = 1.0;
};

struct SLayer
{
    int index = 0;
    std::vector<SElement> elements;
};

struct SMesh
{
    std::vector<double> points;
    std::vector<int> sizes;
    std::vector<int> vertices;
    std::vector<SLayer> layers;
};

struct SModel
{
    std::string name, kind;
    std::vector<SValues> properties;
    std::vector<std::string> children, materials, textures;
    std::vector<SUserProperty> userProperties;
    bool hasMesh = false;
    SMesh mesh;
    SModelExtra extra;
};

struct SMaterial
{
    std::string name, shading = "phong";
    int multiLayer = 0;
    std::vector<SValues> properties;
};

struct STexture
{
    std::string name, fileName, relativeFileName, media;
    std::vector<SValues> properties;
    STextureExtra extra;
};

struct SElementName
{
    const char* field;
    int type;
    int components; // numbers per direct item; 0: no direct values
};

const SElementName kElements[] = {
    {"LayerElementNormal", KScnLayerElement::eNormal, 3},
    {"LayerElementMaterial", KScnLayerElement::eMaterial, 0},
    {"LayerElementTexture", KScnLayerElement::eTexture, 0},
    {"LayerElementPolygonGroup", KScnLayerElement::ePolygonGroup, 1},
    {"LayerElementUV", KScnLayerElement::eUV, 2},
    {"LayerElementColor", KScnLayerElement::eColor, 4},
};

const char* const kMappingNames[] = {"NoMapping", "ByControlPoint", "ByPolygonVertex", "ByPolygon",
                                     "AllSame"};
const char* const kReferenceNames[] = {"Direct", "Index", "IndexToDirect"};

const SElementName* FindElement(const char* field)
{
    for (const SElementName& e : kElements)
        if (std::strcmp(e.field, field) == 0)
            return &e;
    return nullptr;
}

const SElementName* ElementOfType(int type)
{
    for (const SElementName& e : kElements)
        if (e.type == type)
            return &e;
    return nullptr;
}

// A mode by name or number; -1 when it is neither.
int ParseMode(const char* text, const char* const* names, int count)
{
    for (int i = 0; i < count; ++i)
        if (std::strcmp(text, names[i]) == 0)
            return i;
    if (names == kMappingNames && std::strcmp(text, "ByVertice") == 0)
        return 1;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v >= count)
        return -1;
    return static_cast<int>(v);
}

} // namespace

static_assert(scnread::kMaxModelDepth == KScnReaderScn::kMaxModelDepth, "one depth limit");

struct KScnReaderScn::Document
{
    std::vector<SModel> models;
    std::vector<SMaterial> materials;
    std::vector<STexture> textures;
    std::vector<SCharacter> characters;
    // The SceneInfo field's record; null when the file has none.
    std::unique_ptr<KScnSceneMetaData> metaData;
    // Global settings, deformers and character poses.
    SSceneParts parts;
    // Models with children, in the order they take them (see CheckHierarchy).
    std::vector<size_t> parentsDeepestFirst;
    // Per material and texture record, the record whose object stands for
    // it: itself, or the earlier one it repeats (see FindRepeats).
    std::vector<size_t> materialKept, textureKept;
    int skipped = 0; // unknown object kinds, properties and references
    std::string error;
};

namespace
{

std::vector<int> Ints(KScn& f)
{
    std::vector<int> out(static_cast<size_t>(f.RemainingValueCount()));
    out.resize(static_cast<size_t>(f.NextValuesAsInt(out.data(), static_cast<int>(out.size()))));
    return out;
}

std::vector<std::string> Texts(KScn& f)
{
    std::vector<std::string> out;
    while (f.RemainingValueCount() > 0)
        out.emplace_back(f.NextValueAsString());
    return out;
}

bool Is(KScn& f, const char* name)
{
    return std::strcmp(f.GetFieldName(), name) == 0;
}

bool ReadElement(KScn& f, const SElementName& kind, SElement& e, std::string& error)
{
    e.type = kind.type;
    e.reference = kind.type == KScnLayerElement::eTexture || kind.type == KScnLayerElement::eMaterial ? 2 : 0;
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    while (f.OpenNextField())
    {
        if (Is(f, "Mapping") || Is(f, "Reference"))
        {
            const bool mapping = Is(f, "Mapping");
            const int v = mapping ? ParseMode(f.NextValueAsString(), kMappingNames, 5)
                                  : ParseMode(f.NextValueAsString(), kReferenceNames, 3);
            if (v < 0)
            {
                error = std::string(kind.field) + ": unknown " + (mapping ? "mapping" : "reference");
                f.LeaveFieldBlock();
                return false;
            }
            (mapping ? e.mapping : e.reference) = v;
        }
        else if (Is(f, "Values"))
        {
            e.hasValues = true;
            e.values = Numbers(f);
        }
        else if (Is(f, "Indices"))
        {
            e.hasIndices = true;
            e.indices = Ints(f);
        }
        else if (Is(f, "BlendMode"))
            e.blendMode = f.NextValueAsInt();
        else if (Is(f, "Alpha"))
            e.alpha = f.NextValueAsDouble();
    }
    f.LeaveFieldBlock();
    return true;
}

bool ReadLayer(KScn& f, SLayer& layer, std::string& error)
{
    layer.index = f.NextValueAsInt();
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    bool ok = true;
    while (ok && f.OpenNextField())
    {
        const SElementName* kind = FindElement(f.GetFieldName());
        if (kind == nullptr)
            continue;
        for (const SElement& other : layer.elements)
            if (other.type == kind->type)
            {
                error = std::string("repeated ") + kind->field + " in layer " + std::to_string(layer.index);
                ok = false;
            }
        SElement e;
        ok = ok && ReadElement(f, *kind, e, error);
        layer.elements.push_back(std::move(e));
    }
    f.LeaveFieldBlock();
    return ok;
}

bool ReadMesh(KScn& f, SMesh& mesh, std::string& error)
{
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    bool ok = true;
    while (ok && f.OpenNextField())
    {
        if (Is(f, "ControlPoints"))
            mesh.points = Numbers(f);
        else if (Is(f, "PolygonSizes"))
            mesh.sizes = Ints(f);
        else if (Is(f, "PolygonVertices"))
            mesh.vertices = Ints(f);
        else if (Is(f, "Layer"))
        {
            mesh.layers.emplace_back();
            ok = ReadLayer(f, mesh.layers.back(), error);
        }
    }
    f.LeaveFieldBlock();
    return ok;
}

bool ReadModel(KScn& f, SModel& m, std::string& error)
{
    m.name = f.NextValueAsString();
    if (f.RemainingValueCount() > 0)
        m.kind = f.NextValueAsString();
    if (f.RemainingValueCount() > 0)
        m.extra.subKind = f.NextValueAsString();
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    bool ok = true;
    while (ok && f.OpenNextField())
    {
        if (Is(f, "Properties"))
        {
            std::vector<SValues> p = ReadProperties(f);
            m.properties.insert(m.properties.end(), p.begin(), p.end());
        }
        else if (Is(f, "Children"))
            for (std::string& s : Texts(f))
                m.children.push_back(std::move(s));
        else if (Is(f, "Materials"))
            for (std::string& s : Texts(f))
                m.materials.push_back(std::move(s));
        else if (Is(f, "Textures"))
            for (std::string& s : Texts(f))
                m.textures.push_back(std::move(s));
        else if (Is(f, "UserProperty"))
        {
            SUserProperty u;
            u.name = f.NextValueAsString();
            u.type = f.NextValueAsString();
            u.label = f.NextValueAsString();
            if (u.type == "Time" && f.RemainingValueCount() > 0)
            {
                u.hasTime = true;
                u.time = f.NextValueAsTime();
            }
            u.numbers = Numbers(f);
            m.userProperties.push_back(std::move(u));
        }
        else if (Is(f, "Mesh"))
        {
            m.hasMesh = true;
            ok = ReadMesh(f, m.mesh, error);
            if (!ok)
                error = "mesh of model \"" + m.name + "\": " + error;
        }
        else
            ReadModelField(f, m.extra);
    }
    f.LeaveFieldBlock();
    return ok;
}

void ReadMaterial(KScn& f, SMaterial& m)
{
    m.name = f.NextValueAsString();
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    while (f.OpenNextField())
    {
        if (Is(f, "ShadingModel"))
            m.shading = f.NextValueAsString();
        else if (Is(f, "MultiLayer"))
            m.multiLayer = f.NextValueAsInt();
        else if (Is(f, "Properties"))
            m.properties = ReadProperties(f);
    }
    f.LeaveFieldBlock();
}

void ReadTexture(KScn& f, STexture& t)
{
    t.name = f.NextValueAsString();
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    while (f.OpenNextField())
    {
        if (Is(f, "FileName"))
            t.fileName = f.NextValueAsString();
        else if (Is(f, "RelativeFileName"))
            t.relativeFileName = f.NextValueAsString();
        else if (Is(f, "Media"))
            t.media = f.NextValueAsString();
        else if (Is(f, "Properties"))
            t.properties = ReadProperties(f);
        else
            ReadTextureField(f, t.extra);
    }
    f.LeaveFieldBlock();
}

// ---- Checks ----

std::string CheckElement(const SMesh& mesh, const SElement& e, const SElementName& kind, int listSize)
{
    const int polygons = static_cast<int>(mesh.sizes.size());
    const int expected[] = {-1, static_cast<int>(mesh.points.size() / 3),
                            static_cast<int>(mesh.vertices.size()), polygons, 1};
    const int want = expected[e.mapping];
    int items = listSize;
    if (kind.components > 0)
    {
        if (e.values.size() % static_cast<size_t>(kind.components) != 0)
            return std::string(kind.field) + ": value count not a multiple of " +
                   std::to_string(kind.components);
        items = static_cast<int>(e.values.size()) / kind.components;
    }
    if (e.reference == KScnLayerElement::eDirect)
    {
        if (e.hasIndices)
            return std::string(kind.field) + ": Indices with a Direct reference";
        if (kind.components > 0 && want >= 0 && items != want)
            return std::string(kind.field) + ": " + std::to_string(items) +
                   " items where the mapping needs " + std::to_string(want);
        return std::string();
    }
    if (e.reference == KScnLayerElement::eIndex && e.hasValues)
        return std::string(kind.field) + ": Values with an Index reference";
    if (want >= 0 && static_cast<int>(e.indices.size()) != want)
        return std::string(kind.field) + ": " + std::to_string(e.indices.size()) +
               " indices where the mapping needs " + std::to_string(want);
    const int limit = e.reference == KScnLayerElement::eIndex && kind.components > 0 ? INT32_MAX : items;
    for (int index : e.indices)
        if (index < 0 || index >= limit)
            return std::string(kind.field) + ": index " + std::to_string(index) + " out of range";
    return std::string();
}

std::string CheckMesh(const SModel& m)
{
    const SMesh& mesh = m.mesh;
    if (mesh.points.size() % 3 != 0)
        return "control points not a multiple of three numbers";
    const int points = static_cast<int>(mesh.points.size() / 3);
    size_t sum = 0;
    for (int size : mesh.sizes)
    {
        if (size < 3)
            return "polygon of " + std::to_string(size) + " corners";
        sum += static_cast<size_t>(size);
    }
    if (sum != mesh.vertices.size())
        return "polygon sizes do not add up to the polygon vertices";
    for (int v : mesh.vertices)
        if (v < 0 || v >= points)
            return "polygon vertex " + std::to_string(v) + " out of range";
    std::set<int> seen;
    for (const SLayer& layer : mesh.layers)
    {
        if (layer.index < 0 || layer.index > 255 || !seen.insert(layer.index).second)
            return "bad or repeated layer index " + std::to_string(layer.index);
        for (const SElement& e : layer.elements)
        {
            const int list = e.type == KScnLayerElement::eMaterial  ? static_cast<int>(m.materials.size())
                             : e.type == KScnLayerElement::eTexture ? static_cast<int>(m.textures.size())
                                                                    : 0;
            const std::string err = CheckElement(mesh, e, *ElementOfType(e.type), list);
            if (!err.empty())
                return "layer " + std::to_string(layer.index) + ": " + err;
        }
    }
    return std::string();
}

template <class T> bool UniqueNames(const std::vector<T>& list, const char* kind, std::string& error)
{
    std::set<std::string> names;
    for (const T& item : list)
        if (!names.insert(item.name).second)
        {
            error = std::string("repeated ") + kind + " \"" + item.name + "\"";
            return false;
        }
    return true;
}

void ApplyMaterialProperties(KScnMaterial& m, const std::vector<SValues>& props, int& skipped)
{
    for (const SValues& p : props)
    {
        const std::vector<double>& v = p.numbers;
        const bool colour = v.size() >= 3;
        if (p.name == "Emissive" && colour)
            m.SetDefaultEmissive(v[0], v[1], v[2]);
        else if (p.name == "Ambient" && colour)
            m.SetDefaultAmbient(v[0], v[1], v[2]);
        else if (p.name == "Diffuse" && colour)
            m.SetDefaultDiffuse(v[0], v[1], v[2]);
        else if (p.name == "Specular" && colour)
            m.SetDefaultSpecular(v[0], v[1], v[2]);
        else if (p.name == "Opacity" && !v.empty())
            m.SetDefaultOpacity(v[0]);
        else if (p.name == "Reflectivity" && !v.empty())
            m.SetDefaultReflectivity(v[0]);
        else if (!SetByName(m.GetPropertyHandler(), p))
            ++skipped;
    }
}

// The values of a material record through the material's own setters.
void FillMaterial(KScnMaterial& m, const SMaterial& s, int& skipped)
{
    m.SetShadingModel(s.shading.c_str());
    m.SetMultiLayer(s.multiLayer != 0);
    ApplyMaterialProperties(m, s.properties, skipped);
}

// The fields of a texture record through the texture's own setters.
void FillTexture(KScnTexture& t, const STexture& s, int& skipped)
{
    t.SetFileName(s.fileName.c_str());
    if (!s.relativeFileName.empty())
        t.SetRelativeFileName(s.relativeFileName.c_str());
    t.SetMediaName(s.media.c_str());
    ApplyTextureFields(t, s.extra, skipped);
    for (const SValues& p : s.properties)
        if (!SetByName(t.GetPropertyHandler(), p))
            ++skipped;
}

// The values a texture's duplicate test compares (KScnTexture::IsDuplicateOf)
// as far as a file sets them, exactly: textures of equal keys are
// duplicates. A key finds the earlier texture to test a repeat against, so
// that many textures of one name stem cost no more than few.
std::string TextureKey(KScnTexture& t)
{
    std::string key = KScnTexture::StripTrailingDigits(t.GetName()).Buffer();
    for (const char* text : {t.GetFileName(), t.GetMediaName()})
        key.append(text).push_back('\0');
    double d[13];
    t.GetDefaultTranslation(d[0], d[1], d[12]); // z is not compared
    t.GetDefaultRotation(d[2], d[3], d[4]);
    t.GetDefaultScale(d[5], d[6], d[12]);
    d[7] = t.GetDefaultAlpha();
    d[8] = t.GetUVScaling().u;
    d[9] = t.GetUVScaling().v;
    d[10] = t.GetUVTranslation().u;
    d[11] = t.GetUVTranslation().v;
    KScnTextureProperties& p = *t.GetTextureProperties();
    const int32_t n[13] = {t.GetCroppingField(0), t.GetCroppingField(1), t.GetCroppingField(2),
                           t.GetCroppingField(3), t.GetAlphaSource(),    t.GetMappingType(),
                           t.GetPlanarMappingNormal(), p.GetUseMaterial() ? 1 : 0, p.GetTextureTypeUse(),
                           p.GetUVSwap() ? 1 : 0, p.GetCurrentTextureBlendMode(), p.GetWrapModeU(),
                           p.GetWrapModeV()};
    for (int i = 0; i < 12; ++i)
    {
        const double v = d[i] + 0.0; // -0 and 0 compare equal
        key.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    key.append(reinterpret_cast<const char*>(n), sizeof n);
    return key;
}

// Finds the material and texture records that repeat an earlier one, by the
// objects' own duplicate tests (KScnMaterial::IsDuplicateOf: the same name
// and values; KScnTexture::IsDuplicateOf: the same name but for trailing
// digits and blanks, and the same settings). Each such record is dropped for
// the earlier one it repeats (doc.materialKept, doc.textureKept); a repeated
// name that is no duplicate is refused. The objects compared are made in a
// manager of their own, so that a refused file leaves the caller's manager
// as it was; only records whose names (stems) repeat are made, at most two
// at a time.
bool FindRepeats(KScnReaderScn::Document& doc, std::string& error)
{
    std::unique_ptr<KScnSdkManager> scratch;
    int ignored = 0;
    const auto material = [&](size_t i)
    {
        if (scratch == nullptr)
            scratch = std::make_unique<KScnSdkManager>();
        KScnMaterial* m = scratch->CreateMaterial(doc.materials[i].name.c_str());
        FillMaterial(*m, doc.materials[i], ignored);
        return m;
    };
    const auto texture = [&](size_t i)
    {
        if (scratch == nullptr)
            scratch = std::make_unique<KScnSdkManager>();
        KScnTexture* t = scratch->CreateTexture(doc.textures[i].name.c_str());
        FillTexture(*t, doc.textures[i], ignored);
        return t;
    };
    // Materials: a repeat of a name must be a duplicate of the first.
    doc.materialKept.resize(doc.materials.size());
    std::unordered_map<std::string, size_t> firstOfName;
    for (size_t i = 0; i < doc.materials.size(); ++i)
    {
        const auto first = firstOfName.emplace(doc.materials[i].name, i).first->second;
        doc.materialKept[i] = first;
        if (first == i)
            continue;
        KScnMaterial* kept = material(first);
        KScnMaterial* repeat = material(i);
        const bool duplicate = repeat->IsDuplicateOf(kept);
        scratch->DestroyMaterial(kept);
        scratch->DestroyMaterial(repeat);
        if (!duplicate)
        {
            error = "repeated Material \"" + doc.materials[i].name + "\"";
            return false;
        }
    }
    // Textures: among those whose stems repeat, a texture is dropped for the
    // earlier one of its key; another of its name is refused.
    doc.textureKept.resize(doc.textures.size());
    std::unordered_map<std::string, int> stems;
    for (size_t i = 0; i < doc.textures.size(); ++i)
    {
        doc.textureKept[i] = i;
        ++stems[KScnTexture::StripTrailingDigits(doc.textures[i].name.c_str()).Buffer()];
    }
    std::unordered_map<std::string, size_t> byKey;
    // Each name stands for one texture, whether its record is kept or not.
    std::unordered_map<std::string, size_t> names;
    for (size_t i = 0; i < doc.textures.size(); ++i)
    {
        const STexture& s = doc.textures[i];
        if (stems[KScnTexture::StripTrailingDigits(s.name.c_str()).Buffer()] < 2)
            continue;
        KScnTexture* t = texture(i);
        const auto earlier = byKey.emplace(TextureKey(*t), i).first->second;
        bool duplicate = false;
        if (earlier != i)
        {
            KScnTexture* kept = texture(earlier);
            duplicate = t->IsDuplicateOf(kept);
            scratch->DestroyTexture(kept);
        }
        scratch->DestroyTexture(t);
        doc.textureKept[i] = duplicate ? earlier : i;
        if (names.emplace(s.name, doc.textureKept[i]).first->second != doc.textureKept[i])
        {
            error = "repeated Texture \"" + s.name + "\"";
            return false;
        }
    }
    return true;
}

// Children must name each model at most once and make no cycle. Records
// the parents in the order the scene connects their children: deepest
// first, so that no parent has a parent of its own yet when it takes its
// children (each connection then finds no ancestors to check).
bool CheckHierarchy(KScnReaderScn::Document& doc, std::string& error)
{
    std::vector<std::string> names;
    std::vector<const std::vector<std::string>*> children;
    names.reserve(doc.models.size());
    children.reserve(doc.models.size());
    for (const SModel& m : doc.models)
    {
        names.push_back(m.name);
        children.push_back(&m.children);
    }
    return OrderHierarchy(names, children, doc.parentsDeepestFirst, doc.skipped, error);
}

bool CheckDocument(KScnReaderScn::Document& doc, std::string& error)
{
    if (!UniqueNames(doc.models, "Model", error) || !UniqueNames(doc.characters, "Character", error) ||
        !CheckHierarchy(doc, error))
        return false;
    for (const STexture& t : doc.textures)
        if (t.fileName.empty())
        {
            error = "texture \"" + t.name + "\" has no FileName";
            return false;
        }
    if (!FindRepeats(doc, error))
        return false;
    for (const SModel& m : doc.models)
        if (m.hasMesh)
        {
            const std::string err = CheckMesh(m);
            if (!err.empty())
            {
                error = "mesh of model \"" + m.name + "\": " + err;
                return false;
            }
        }
    KScnModelChecks checks;
    for (const SModel& m : doc.models)
        if (!checks.Check(m.name, m.kind, m.hasMesh, m.mesh.points.size() / 3, m.children, m.extra, error))
            return false;
    return checks.Finish(error);
}

// What a model's channels that are not the kind's own copy into each tree
// of the model's takes: a channel per shape and per user property, with its
// name.
struct SModelChannels
{
    uint64_t shapes = 0;
    uint64_t userProperties = 0;
    uint64_t nameBytes = 0;
};

// The objects a field of Objects makes that get takes, weighed by kind (a
// model by its attribute); eKindCount for others. A Model's block adds its
// shapes, user properties and their names to channels; name is the model's.
KScnReadCost::EKind CountObject(KScn& f, SModelChannels& channels, std::string& name)
{
    if (Is(f, "Material"))
        return KScnReadCost::eMaterials;
    if (Is(f, "Texture"))
        return KScnReadCost::eTextures;
    if (Is(f, "Character"))
        return KScnReadCost::eCharacters;
    if (!Is(f, "Model"))
        return KScnReadCost::eKindCount;
    name = f.NextValueAsString();
    const std::string attribute = f.RemainingValueCount() > 0 ? f.NextValueAsString() : std::string();
    if (f.HasFieldBlock() && f.EnterFieldBlock())
    {
        while (f.OpenNextField())
        {
            const bool user = Is(f, "UserProperty"), shape = Is(f, "Shape");
            channels.userProperties += user ? 1 : 0;
            channels.shapes += shape ? 1 : 0;
            if ((user || shape) && f.RemainingValueCount() > 0)
                channels.nameBytes += std::strlen(f.NextValueAsString());
        }
        f.LeaveFieldBlock();
    }
    return attribute == "Camera" ? KScnReadCost::eCameras
                                 : attribute == "Light" ? KScnReadCost::eLights : KScnReadCost::eNodes;
}

// The takes of the Takes block: how many, the bytes of their names (but
// "Default"'s), the entries that write something (each copies its object's
// tree; an empty block copies nothing), and what those entries copy of the
// models' shape and user-property channels (channels, by model name).
void CountTakes(KScn& f, const std::unordered_map<std::string, SModelChannels>& channels, uint64_t& takes,
                uint64_t& nameBytes, uint64_t& written, SModelChannels& copied)
{
    if (!f.OpenField("Takes") || !f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    while (f.OpenField("Take"))
    {
        ++takes;
        const char* name = f.NextValueAsString();
        const bool isDefault = std::strcmp(name, "Default") == 0;
        nameBytes += isDefault ? 0 : std::strlen(name);
        if (!isDefault && f.HasFieldBlock() && f.EnterFieldBlock())
        {
            while (f.OpenNextField())
            {
                if (!f.HasFilledFieldBlock() || Is(f, "TimeWarps"))
                    continue;
                ++written;
                const auto model = Is(f, "Model") ? channels.find(f.NextValueAsString()) : channels.end();
                if (model != channels.end())
                {
                    copied.shapes += model->second.shapes;
                    copied.userProperties += model->second.userProperties;
                    copied.nameBytes += model->second.nameBytes;
                }
            }
            f.LeaveFieldBlock();
        }
        f.CloseField();
    }
}

// What the document asks to make, weighed (KScnReadCost), within the budget
// of the file's size before any model is read (the Objects block entered):
// models (cameras and lights by their own weight) and the nodes of character
// poses, the poses, characters, materials, textures, skins and clusters, the
// links of every cluster on every model its skin deforms, user properties;
// the takes on every object that gets them: the file's takes on its objects
// and on the take owners earlier reads brought (the scene's root and camera
// switcher at least), the scene's earlier takes on the file's objects; the
// take entries the file writes (each copies its object's channels), and the
// channels an object's first take builds (which its takes then read). A
// shape's or user property's channel, with its name, is in that one tree
// its object's takes share, and in the copy of each entry the file writes
// of the object.
bool CheckReadCost(KScn& f, const KScnReaderScn::Document& doc, const KScnReaderScn::SEarlier& earlier,
                   double scale, std::string& error)
{
    const SSceneParts& parts = doc.parts;
    KScnReadCost cost;
    for (const SCharacterPose& pose : parts.poses)
        cost.Add(KScnReadCost::eNodes, pose.nodes.size());
    cost.Add(KScnReadCost::eCharacterPoses, parts.poses.size());
    const uint64_t deformers = parts.skins.size() + parts.clusters.size();
    cost.Add(KScnReadCost::eDeformers, deformers);
    std::unordered_map<std::string, uint64_t> clustersOf;
    for (const SDeformer& skin : parts.skins)
        clustersOf[skin.name] += skin.clusters.size();
    for (const auto& model : parts.modelDeformers)
        for (const std::string& skin : model.second)
        {
            const auto it = clustersOf.find(skin);
            cost.Add(KScnReadCost::eLinks, it != clustersOf.end() ? it->second : 0);
        }
    uint64_t owners = deformers;
    SModelChannels channels;
    std::unordered_map<std::string, SModelChannels> channelsOf; // models that have such channels
    while (f.OpenNextField())
    {
        std::string name;
        SModelChannels own;
        const KScnReadCost::EKind kind = CountObject(f, own, name);
        if (kind == KScnReadCost::eKindCount)
            continue;
        cost.Add(kind, 1);
        ++owners;
        channels.shapes += own.shapes;
        channels.userProperties += own.userProperties;
        channels.nameBytes += own.nameBytes;
        if (own.shapes + own.userProperties > 0)
        {
            SModelChannels& listed = channelsOf[name];
            listed.shapes += own.shapes;
            listed.userProperties += own.userProperties;
            listed.nameBytes += own.nameBytes;
        }
    }
    f.Rewind();
    uint64_t takes = 0, written = 0, takeNameBytes = 0;
    SModelChannels copied;
    CountTakes(f, channelsOf, takes, takeNameBytes, written, copied);
    cost.AddProduct(KScnReadCost::eTakeRecords, takes, owners + earlier.owners);
    cost.AddProduct(KScnReadCost::eTakeRecords, earlier.takes, owners);
    cost.Add(KScnReadCost::eUserProperties, channels.userProperties);
    cost.Add(KScnReadCost::eUserPropertyCopies, copied.userProperties);
    cost.Add(KScnReadCost::eShapeChannels, channels.shapes);
    cost.Add(KScnReadCost::eShapeChannels, copied.shapes);
    cost.Add(KScnReadCost::eWrittenTakes, written);
    // Each take record copies its take's name; the shared tree and each
    // copy written the names of the shape and user-property channels.
    cost.AddProduct(KScnReadCost::eNameBytes, takeNameBytes, owners + earlier.owners);
    cost.AddProduct(KScnReadCost::eNameBytes, earlier.takeNameBytes, owners);
    cost.Add(KScnReadCost::eNameBytes, channels.nameBytes);
    cost.Add(KScnReadCost::eNameBytes, copied.nameBytes);
    // The first take an object gets builds its channels.
    if (takes + earlier.takes > 0)
        cost.Add(KScnReadCost::eTakeTrees, owners);
    if (takes > 0)
        cost.Add(KScnReadCost::eTakeTrees, earlier.ownersWithoutTakes);
    if (!cost.Check(f.GetContentByteCount(), scale, "KStreamOptionsScn", error,
                    KScnReadMeter::kSceneBytesPerFileByte))
        return false;
    // What it counted is nearly all a scene file's read makes: room above it.
    KScnReadMeter::AllowCounted();
    return true;
}

// Takes out of a checked document the kinds of content whose switch is off
// (KStreamOptionsScn::EOption), so that nothing of them is made: objects,
// the references to them and, for materials and textures, the layer
// elements that index them.
void LeaveOut(KScnReaderScn::Document& doc, const KStreamOptionsScn& options)
{
    using O = KStreamOptionsScn;
    const auto dropElements = [&doc](int type)
    {
        for (SModel& m : doc.models)
            for (SLayer& layer : m.mesh.layers)
                layer.elements.erase(std::remove_if(layer.elements.begin(), layer.elements.end(),
                                                    [type](const SElement& e) { return e.type == type; }),
                                     layer.elements.end());
    };
    if (!options.GetOption(O::eMaterials))
    {
        doc.materials.clear();
        for (SModel& m : doc.models)
            m.materials.clear();
        dropElements(KScnLayerElement::eMaterial);
    }
    if (!options.GetOption(O::eTextures))
    {
        doc.textures.clear();
        for (SModel& m : doc.models)
            m.textures.clear();
        dropElements(KScnLayerElement::eTexture);
    }
    if (!options.GetOption(O::eDeformers))
    {
        doc.parts.skins.clear();
        doc.parts.clusters.clear();
        doc.parts.modelDeformers.clear();
    }
    for (SModel& m : doc.models)
    {
        if (!options.GetOption(O::eShapes))
            m.extra.shapes.clear();
        if (!options.GetOption(O::eUserProperties))
            m.userProperties.clear();
    }
    if (!options.GetOption(O::eCharacters))
        doc.characters.clear();
    if (!options.GetOption(O::eCharacterPoses))
        doc.parts.poses.clear();
    if (!options.GetOption(O::eGlobalSettings))
        doc.parts.settings = SGlobalSettings();
    if (!options.GetOption(O::eSceneInfo))
        doc.metaData.reset();
}

bool ReadDocument(KScn& f, KScnReaderScn::Document& doc, const KScnReaderScn::SEarlier& earlier,
                  double budgetScale)
{
    auto metaData = std::make_unique<KScnSceneMetaData>();
    if (ReadSceneInfo(f, *metaData, doc.skipped))
        doc.metaData = std::move(metaData);
    if (!ReadSceneParts(f, doc.parts, doc.error))
        return false;
    f.Rewind();
    if (!f.OpenField("Objects") || !f.HasFieldBlock() || !f.EnterFieldBlock())
    {
        f.Rewind();
        return CheckTimeWarpIds(f, doc.error);
    }
    if (!CheckReadCost(f, doc, earlier, budgetScale, doc.error))
    {
        f.Rewind();
        return false;
    }
    f.Rewind();
    if (!f.OpenField("Objects") || !f.EnterFieldBlock())
        return false;
    bool ok = true;
    while (ok && f.OpenNextField())
    {
        if (Is(f, "Model"))
        {
            doc.models.emplace_back();
            ok = ReadModel(f, doc.models.back(), doc.error);
        }
        else if (Is(f, "Material"))
        {
            doc.materials.emplace_back();
            ReadMaterial(f, doc.materials.back());
        }
        else if (Is(f, "Texture"))
        {
            doc.textures.emplace_back();
            ReadTexture(f, doc.textures.back());
        }
        else if (Is(f, "Character"))
        {
            doc.characters.emplace_back();
            ok = ReadCharacter(f, doc.characters.back(), doc.error);
        }
        else if (!IsScenePartKind(f.GetFieldName()))
            ++doc.skipped;
    }
    f.Rewind();
    return ok && CheckDocument(doc, doc.error) && CheckTimeWarpIds(f, doc.error);
}

// A start and stop time; absent or short fields leave both as they were.
void ReadTimeSpan(KScn& f, const char* field, KTime& start, KTime& stop)
{
    if (!f.OpenField(field))
        return;
    if (f.RemainingValueCount() >= 2)
    {
        start = f.NextValueAsTime();
        stop = f.NextValueAsTime();
    }
    f.CloseField();
}

// The fields of a Take block (entered) that describe the take.
void ReadTakeFields(KScn& f, KScnTakeDescription& take)
{
    take.mDescription = f.ReadStringField("Description", "");
    take.mImportName = f.ReadStringField("ImportName", "");
    ReadTimeSpan(f, "LocalTime", take.mLocalTimeStart, take.mLocalTimeStop);
    ReadTimeSpan(f, "ReferenceTime", take.mReferenceTimeStart, take.mReferenceTimeStop);
}

} // namespace

// ---- Reader ----

KScnReaderScn::KScnReaderScn(KScnSdkManager* manager, KScnImporter* importer)
    : mManager(manager), mImporter(importer)
{
}

KScnReaderScn::~KScnReaderScn() = default;

void KScnReaderScn::SplitVersion(int32_t version, int* major, int* minor, int* revision)
{
    if (major != nullptr)
        *major = version / 1000;
    if (minor != nullptr)
        *minor = (version % 1000) / 100;
    if (revision != nullptr)
        *revision = version % 100;
}

bool KScnReaderScn::Fail(int id, const std::string& status)
{
    return Fail(id, status.c_str());
}

bool KScnReaderScn::Fail(int id, const char* status)
{
    mError.SetLastErrorID(id);
    mStatus = status;
    return false;
}

namespace
{

void PutU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

} // namespace

// The reader's entry points catch what the standard library throws (memory
// exhausted): error 0 with the reason, the file closed or the scene as it
// was before the read.
bool KScnReaderScn::OpenFile(const char* fileName)
{
    try
    {
        return Open(fileName);
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        KScnReadUndo::Reason("opening the file", why);
        CloseFile();
        return Fail(eFileCorrupted, why);
    }
}

KStreamOptionsScn* KScnReaderScn::CreateReadOptions(bool parse)
{
    try
    {
        return CreateOptions(parse);
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        Fail(eFileCorrupted, KScnReadUndo::Reason("reading the file's takes", why));
        mSource->Rewind();
        return nullptr;
    }
}

bool KScnReaderScn::ReadScene(KScnSceneRoot* scene, KStreamOptionsScn* options)
{
    std::unique_ptr<KScnReadUndo> undo;
    try
    {
        if (scene != nullptr && mManager != nullptr)
            undo = std::make_unique<KScnReadUndo>(*mManager, *scene);
        const KScnReadMeter meter(mSource->GetContentByteCount(),
                                  options != nullptr ? options->mBudgetScale : 1.0, "KStreamOptionsScn",
                                  KScnReadMeter::kSceneBytesPerFileByte);
        return Read(scene, options);
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        KScnReadUndo::Reason("reading the scene", why);
        mSource->Rewind();
        if (undo != nullptr)
            undo->Restore();
        return Fail(eFileCorrupted, why);
    }
}

bool KScnReaderScn::Open(const char* fileName)
{
    CloseFile();
    std::vector<char> bytes;
    int id = eFileNotOpened;
    std::string status;
    if (!KScn::ReadFileBytes(fileName, bytes, id, status))
        return Fail(id, status);
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kScnEncryptedMagic, 8) == 0)
    {
        if (!OpenEncrypted(bytes))
            return false;
    }
    else if (!mFile.OpenBytes(std::move(bytes)))
        return Fail(mFile.GetError().GetLastErrorID(), mFile.GetStatusText());
    return AfterOpen();
}

bool KScnReaderScn::OpenEncrypted(const std::vector<char>& b)
{
    if (!mWrapper.Open(b.data(), b.size()))
        return Fail(eFileCorrupted, mWrapper.GetError());
    // The clear header as a binary file of its own.
    std::string clear(kScnBinaryMagic, 8);
    PutU32(clear, static_cast<uint32_t>(mWrapper.GetFileVersion()));
    clear += mWrapper.GetClearHeader();
    PutU32(clear, static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(clear.data()),
                                              static_cast<uInt>(clear.size()))));
    clear.append("SCNE", 4);
    if (!mFile.OpenMemory(clear.data(), clear.size()))
    {
        mWrapper.Clear();
        return Fail(eFileCorrupted, std::string("encrypted file: clear header: ") + mFile.GetStatusText());
    }
    mEncrypted = true;
    return true;
}

bool KScnReaderScn::Decrypt(const char* password)
{
    std::vector<char> plain;
    switch (mWrapper.Decrypt(password != nullptr ? password : "", plain))
    {
    case KScnEncryptedWrapper::eDecrypted:
        break;
    case KScnEncryptedWrapper::eWrongPassword:
        // Version 2 cannot tell a wrong password from an altered body.
        return Fail(eWrongPassword,
                    mWrapper.GetWrapperVersion() == 1 ? "wrong password" : "wrong password or altered file");
    case KScnEncryptedWrapper::eNoResources:
        return Fail(eUnidentifiedError, "encrypted file: no memory for the key derivation");
    }
    const int32_t version = mFile.GetFileVersion();
    const std::string creator = mFile.GetCreator();
    KScn body;
    if (!body.OpenMemory(plain.data(), plain.size()))
        return Fail(eFileCorrupted, std::string("encrypted file: body: ") + body.GetStatusText());
    if (body.GetFileVersion() != version || creator != body.GetCreator())
        return Fail(eFileCorrupted, "encrypted file: body header differs from the clear header");
    body.Close();
    mFile.OpenBytes(std::move(plain));
    mWrapper.Clear();
    mDecrypted = true;
    return true;
}

bool KScnReaderScn::AfterOpen()
{
    mVersion = mFile.GetFileVersion();
    if (mVersion > kLastVersion || mVersion < kFirstVersion)
    {
        const int32_t version = mVersion;
        CloseFile();
        mVersion = version;
        return Fail(version > kLastVersion ? eFileVersionNotSupportedYet : eFileVersionNotSupportedAnymore,
                    "file version " + std::to_string(version));
    }
    if (mFile.OpenField("Objects") && mFile.HasFieldBlock() && mFile.EnterFieldBlock())
    {
        while (mFile.OpenNextField())
            ++mObjectCount;
    }
    mFile.Rewind();
    if (mFile.OpenField("Takes") && mFile.HasFieldBlock() && mFile.EnterFieldBlock())
    {
        while (mFile.OpenField("Take"))
        {
            ++mTakeCount;
            mFile.CloseField();
        }
    }
    mFile.Rewind();
    return true;
}

void KScnReaderScn::CloseFile()
{
    mFile.Close();
    mEncrypted = false;
    mDecrypted = false;
    mWrapper.Clear();
    mVersion = 0;
    mObjectCount = 0;
    mTakeCount = 0;
}

const char* KScnReaderScn::GetHeaderText(int i) const
{
    if (!mFile.IsOpen())
        return "";
    return i == 0 ? mFile.GetCreator() : i == 1 ? mFile.GetCreationTime() : "";
}

int32_t KScnReaderScn::GetHeaderValue(int i) const
{
    if (!mFile.IsOpen())
        return 0;
    const int32_t values[4] = {mFile.GetHeaderVersion(), mEncrypted ? 1 : 0, mObjectCount, mTakeCount};
    return i >= 0 && i < 4 ? values[i] : 0;
}

KStreamOptionsScn* KScnReaderScn::CreateOptions(bool parse)
{
    if (!mSource->IsOpen())
    {
        Fail(eFileNotOpened, "no file open");
        return nullptr;
    }
    // A protected file shows its takes only once opened: with a password at
    // hand the body is opened now (a wrong one is reported by ReadScene).
    if (parse && mSource == &mFile && mEncrypted && !mDecrypted && !mPassword.empty())
        Decrypt(mPassword.c_str());
    auto made = std::make_unique<KStreamOptionsScn>();
    KStreamOptionsScn* options = made.get();
    if (!parse)
        return made.release();
    KScnSceneMetaData metaData;
    int skipped = 0;
    if (ReadSceneInfo(*mSource, metaData, skipped))
        options->SetSceneMetaData(&metaData);
    mSource->Rewind();
    if (mSource->OpenField("Takes") && mSource->HasFieldBlock() && mSource->EnterFieldBlock())
    {
        options->mCurrentTakeName = mSource->ReadStringField("Current", "");
        while (mSource->OpenField("Take"))
        {
            KScnTakeDescription take;
            take.mName = mSource->NextValueAsString();
            if (mSource->HasFieldBlock() && mSource->EnterFieldBlock())
            {
                ReadTakeFields(*mSource, take);
                mSource->LeaveFieldBlock();
            }
            options->GetTakes().push_back(take);
            mSource->CloseField();
        }
    }
    mSource->Rewind();
    return made.release();
}

// ---- Building ----

namespace
{

using AttributeMaker = KScnNodeAttribute* (*)(KScnSdkManager*);

struct SAttributeKind
{
    const char* word;
    AttributeMaker make;
};

// The attribute kinds a Model may name, besides Mesh (built from its block)
// and those built from the model's own fields (MakeAttribute).
const SAttributeKind kAttributeKinds[] = {
    {"Null", [](KScnSdkManager* m) -> KScnNodeAttribute* { return m->CreateNull(); }},
    {"Marker", [](KScnSdkManager* m) -> KScnNodeAttribute* { return m->CreateMarker(); }},
    {"Skeleton", [](KScnSdkManager* m) -> KScnNodeAttribute* { return m->CreateSkeleton(); }},
    {"Light", [](KScnSdkManager* m) -> KScnNodeAttribute* { return m->CreateLight(); }},
    {"OpticalReference", [](KScnSdkManager* m) -> KScnNodeAttribute* { return m->CreateOpticalReference(); }},
    {"Shape", [](KScnSdkManager* m) -> KScnNodeAttribute* { return m->CreateShape(); }},
};

// Gives the node an attribute of the kind; false for a kind not made here
// (a Mesh without a Mesh block is an empty mesh).
bool AttachAttribute(KScnSdkManager* manager, KScnNode& node, const std::string& kind)
{
    if (kind == "Mesh")
    {
        node.SetNodeAttribute(manager->CreateMesh());
        return true;
    }
    for (const SAttributeKind& k : kAttributeKinds)
        if (kind == k.word)
        {
            KScnNodeAttribute* attribute = k.make(manager);
            if (attribute != nullptr)
                node.SetNodeAttribute(attribute);
            return attribute != nullptr;
        }
    return false;
}

// The names the node's own set does not have go to rest (the attribute's).
void ApplyNodeProperties(KScnNode& node, const std::vector<SValues>& props, std::vector<SValues>& rest,
                         int& skipped)
{
    for (const SValues& p : props)
    {
        const std::vector<double>& v = p.numbers;
        if (p.name == "Lcl Translation" && v.size() >= 3)
            node.SetLocalTranslation(v[0], v[1], v[2]);
        else if (p.name == "Lcl Rotation" && v.size() >= 3)
            node.SetLocalRotation(v[0], v[1], v[2]);
        else if (p.name == "Lcl Scaling" && v.size() >= 3)
            node.SetLocalScaling(v[0], v[1], v[2]);
        else if (p.name == "Visibility" && !v.empty())
            node.SetVisibility(v[0] != 0.0);
        else if (node.GetPropertyHandler()->FindProperty(p.name.c_str()) == nullptr)
            rest.push_back(p);
        else if (!SetByName(node.GetPropertyHandler(), p))
            ++skipped;
    }
}

// The value of a user property by its property's type, as the property
// table has it; false when values are given that do not fit the type.
bool SetUserValue(KScnPropertyRef& ref, KScnPropertyHandler& handler, const SUserProperty& u)
{
    KProperty* property = ref.GetProperty();
    const int code = property->GetTypeCode();
    const std::vector<double>& v = u.numbers;
    if (code == eKPropTime)
        return !u.hasTime || property->Set(&u.time);
    if (v.empty())
        return true;
    if (code == eKPropVector3D || code == eKPropColorRGB || code == eKPropColorRGBA)
    {
        if (v.size() < 3)
            return false;
        if (code == eKPropVector3D)
            ref.SetVector(v[0], v[1], v[2]);
        else if (code == eKPropColorRGB)
            ref.SetColor(v[0], v[1], v[2]);
        else // with its alpha
        {
            const double four[4] = {v[0], v[1], v[2], v.size() >= 4 ? v[3] : 1.0};
            if (!property->SetFromDoubles(four))
                return false;
            handler.PushPropertyToTakes(*property);
        }
        return true;
    }
    if (KProperty::IsIntegralType(code))
        ref.SetInteger(KSaturateToInt(v[0]));
    else if (code == eKPropFloat || code == eKPropDouble)
        ref.SetDouble(v[0]);
    else
        return false;
    return true;
}

// Each user property becomes a dynamic property of the node's set, with the
// user-property handle standing for it. An unknown data type, and values
// that do not fit the type, are skipped.
void AddUserProperties(KScnSdkManager* manager, KScnNode& node, const std::vector<SUserProperty>& list,
                       int& skipped)
{
    KScnPropertyHandler* handler = node.GetPropertyHandler();
    for (const SUserProperty& u : list)
    {
        KDataType* type = KDataType::FindByName(u.type.c_str());
        KProperty* property =
            type != nullptr && handler != nullptr
                ? handler->CreateDynamicProperty(u.name.c_str(), KDataType::ToTypeCode(type), type, true,
                                                 false, nullptr, true)
                : nullptr;
        if (property == nullptr)
        {
            ++skipped;
            continue;
        }
        if (!u.label.empty())
            property->SetLabel(u.label.c_str());
        KScnPropertyRef* ref = manager->CreateUserPropertyFromProperty(property);
        ref->SetHandler(handler);
        node.AdoptUserProperty(ref);
        if (!SetUserValue(*ref, *handler, u))
            ++skipped;
    }
}

void FillElement(KScnLayerElement& element, const SElement& e, const SElementName& kind)
{
    element.SetMappingMode(e.mapping);
    element.SetReferenceMode(e.reference);
    if (kind.components == 3 || kind.components == 4)
        for (size_t i = 0; i + static_cast<size_t>(kind.components) <= e.values.size(); i += kind.components)
            element.AddDirectVector(KgeTVector(e.values[i], e.values[i + 1], e.values[i + 2],
                                               kind.components == 4 ? e.values[i + 3] : 0.0));
    else if (kind.components == 2)
        for (size_t i = 0; i + 2 <= e.values.size(); i += 2)
        {
            const double uv[2] = {e.values[i], e.values[i + 1]};
            element.AddDirectItem(uv);
        }
    else if (kind.components == 1)
        for (double value : e.values)
        {
            const int32_t group = KSaturateToInt(value);
            element.AddDirectItem(&group);
        }
    for (int index : e.indices)
        element.AddIndex(index);
}

// The materials or textures of a read by name, for every node's list: a
// name is hashed once, and each object has a number whose last list and
// slot in it are noted in a table, so a look-up takes no memory and no
// string comparisons down a tree. The names lie end to end and the table is
// one array (open addressing): a node's list of thousands of names is
// looked up between the thousands of connections it makes, and a look-up
// then reads a line or two of a small block, not nodes spread over the heap.
template <class T> class SConnectionNames
{
public:
    explicit SConnectionNames(const std::map<std::string, T*>& byName)
    {
        size_t bytes = 0;
        for (const auto& named : byName)
            bytes += named.first.size();
        mNames.reserve(bytes);
        size_t cells = 16;
        while (cells < byName.size() + byName.size() / 2)
            cells *= 2;
        mCells.assign(cells, Cell{});
        std::unordered_map<const T*, size_t> number;
        number.reserve(byName.size());
        for (const auto& named : byName)
        {
            const size_t n = number.emplace(named.second, mObjects.size()).first->second;
            if (n == mObjects.size())
            {
                mObjects.push_back(named.second);
                mSets.push_back(named.second->GetPropertyHandler());
            }
            Cell& cell = mCells[FindCell(named.first)]; // the map's names are distinct: a free cell
            cell = Cell{mNames.size(), named.first.size(), n};
            mNames += named.first;
        }
        mList.assign(mObjects.size(), 0);
        mSlot.assign(mObjects.size(), -1);
    }

    // The objects a node's Materials or Textures list connects, in the order
    // given, each once (repeats dropped for the same object stand once); the
    // slot of each entry of the list among them, -1 for a name the file does
    // not define (counted in undefined). Linear in the list.
    std::vector<T*> Order(const std::vector<std::string>& names, std::vector<int>* slots, int* undefined = nullptr)
    {
        return Collect(mObjects, names, slots, undefined);
    }
    // The same objects' property sets (what the node's set connects).
    std::vector<KScnPropertyHandler*> OrderSets(const std::vector<std::string>& names, int* undefined)
    {
        return Collect(mSets, names, nullptr, undefined);
    }

private:
    template <class U>
    std::vector<U> Collect(const std::vector<U>& of, const std::vector<std::string>& names,
                           std::vector<int>* slots, int* undefined)
    {
        ++mLists;
        std::vector<U> order;
        order.reserve(names.size());
        for (const std::string& name : names)
        {
            const Cell& cell = mCells[FindCell(name)];
            int slot = -1;
            if (cell.number != kFree)
            {
                const size_t n = cell.number;
                if (mList[n] != mLists)
                {
                    mList[n] = mLists;
                    mSlot[n] = static_cast<int>(order.size());
                    order.push_back(of[n]);
                }
                slot = mSlot[n];
            }
            else if (undefined != nullptr)
                ++*undefined;
            if (slots != nullptr)
                slots->push_back(slot);
        }
        return order;
    }

    static constexpr size_t kFree = static_cast<size_t>(-1);
    struct Cell
    {
        size_t offset = 0; // the name in mNames
        size_t length = 0;
        size_t number = kFree; // the object's number; kFree for a free cell
    };
    // The cell of name, or the free cell where it would go (linear probing;
    // at most two thirds of the cells are taken).
    size_t FindCell(std::string_view name) const
    {
        const size_t mask = mCells.size() - 1;
        for (size_t i = std::hash<std::string_view>()(name) & mask;; i = (i + 1) & mask)
        {
            const Cell& cell = mCells[i];
            if (cell.number == kFree ||
                (cell.length == name.size() && mNames.compare(cell.offset, cell.length, name) == 0))
                return i;
        }
    }

    std::string mNames;
    std::vector<Cell> mCells;
    std::vector<T*> mObjects;
    std::vector<KScnPropertyHandler*> mSets; // each object's property set
    std::vector<size_t> mList; // per object: the list (count of Order calls) it was last in
    std::vector<int> mSlot;    // and its slot there
    size_t mLists = 0;
};

// The indices of a mesh's material and texture elements are positions in
// the model's Materials and Textures lists; they become positions among the
// objects those lists connect (SConnectionNames::Order): a repeat dropped for an
// earlier object takes that object's position, and a name the file does not
// define no entry (-1).
void RenumberConnections(SModel& s, SConnectionNames<KScnMaterial>& materials,
                         SConnectionNames<KScnTexture>& textures)
{
    std::vector<int> slots[2];
    materials.Order(s.materials, &slots[0]);
    textures.Order(s.textures, &slots[1]);
    for (SLayer& layer : s.mesh.layers)
        for (SElement& e : layer.elements)
        {
            const bool material = e.type == KScnLayerElement::eMaterial;
            if ((!material && e.type != KScnLayerElement::eTexture) ||
                e.reference == KScnLayerElement::eDirect)
                continue;
            const std::vector<int>& slot = slots[material ? 0 : 1];
            for (int& index : e.indices)
                index = index >= 0 && index < static_cast<int>(slot.size()) ? slot[static_cast<size_t>(index)]
                                                                            : -1;
        }
}

// The mesh's points and polygons, then each layer's elements. Material and
// texture elements get only their mapping and indices here: the scene's
// binding fills their direct arrays from the node's connections.
KScnMesh* BuildMesh(KScnSdkManager* manager, KScnNode& node, const SModel& s)
{
    KScnMesh* mesh = manager->CreateMesh();
    const SMesh& m = s.mesh;
    const int points = static_cast<int>(m.points.size() / 3);
    mesh->InitControlPoints(points);
    for (int i = 0; i < points; ++i)
        mesh->SetControlPointAt(KgeTVector(m.points[3 * i], m.points[3 * i + 1], m.points[3 * i + 2], 1.0),
                                i);
    size_t v = 0;
    for (int size : m.sizes)
    {
        mesh->BeginPolygon();
        for (int k = 0; k < size; ++k)
            mesh->AddPolygonVertex(m.vertices[v++]);
    }
    for (const SLayer& layer : m.layers)
    {
        while (mesh->GetLayerCount() <= layer.index)
            mesh->CreateLayer();
        KScnLayer* target = mesh->GetLayer(layer.index);
        for (const SElement& e : layer.elements)
        {
            KScnLayerElement* element = target->GetOrCreateElement(e.type);
            FillElement(*element, e, *ElementOfType(e.type));
            if (e.type == KScnLayerElement::eTexture)
            {
                auto* texture = static_cast<KScnLayerElementTexture*>(element);
                texture->SetBlendMode(static_cast<uint32_t>(e.blendMode));
                texture->SetAlpha(e.alpha);
            }
        }
    }
    node.SetNodeAttribute(mesh);
    return mesh;
}

} // namespace

namespace
{

KScnTakeNodeEntry* FindTake(KScnTakeNodeContainer& object, const char* name)
{
    for (int i = 0; i < object.GetTakeNodeCount(); ++i)
        if (std::strcmp(object.GetTakeNodeName(i), name) == 0)
            return object.GetTakeNode(i);
    return nullptr;
}

// Times a span's end, a shift or a moved key may reach: 4.6e18 ticks, some
// 99.6 million seconds (about 3.2 years). A key and a shift within it add up
// to no more than a tick count holds.
constexpr double kMaxMovedTicks = 4.6e18;

// The keys of a take lie in its local time span as the file gives it. A
// local span the caller's copy of the description gives instead (set before
// the read) moves them there: shifted, then scaled about time 0, so that the
// file's span falls on the caller's. Both spans must be given (stop after
// start) and differ; a move whose spans' ends or shift lie beyond
// kMaxMovedTicks is not made, and noted refused.
KScnReaderScn::STakeMove TakeMove(const KScnTakeDescription& file, const KScnTakeDescription& given)
{
    KScnReaderScn::STakeMove move;
    const double a0 = static_cast<double>(file.mLocalTimeStart.Get());
    const double a1 = static_cast<double>(file.mLocalTimeStop.Get());
    const double b0 = static_cast<double>(given.mLocalTimeStart.Get());
    const double b1 = static_cast<double>(given.mLocalTimeStop.Get());
    const bool given2 = a1 > a0 && b1 > b0;
    if (!given2 || (a0 == b0 && a1 == b1))
        return move;
    move.refused = true;
    for (double t : {a0, a1, b0, b1})
        if (std::fabs(t) > kMaxMovedTicks)
            return move;
    // Equal durations move by a whole shift, unscaled (no rounding at all).
    const bool same =
        file.mLocalTimeStop - file.mLocalTimeStart == given.mLocalTimeStop - given.mLocalTimeStart;
    const double scale = same ? 1.0 : (b1 - b0) / (a1 - a0);
    const double shift = same ? b0 - a0 : b0 / scale - a0;
    if (!(std::fabs(shift) <= kMaxMovedTicks))
        return move;
    move.refused = false;
    move.scale = scale;
    move.shift = KTime(same ? given.mLocalTimeStart.Get() - file.mLocalTimeStart.Get() : std::llround(shift));
    move.moves = true;
    return move;
}

// The name a take of the file is imported under: the import name of the
// options' record of that take (the caller's copy), else the file's; the
// take's own name when that is empty. The description takes the import
// name and the record's flags, and the record's local span when the keys
// move onto it (TakeMove).
// The options' take records by name (the first of each name), looked up
// for every take read.
using GivenTakes = std::unordered_map<std::string_view, const KScnTakeDescription*>;

GivenTakes IndexGivenTakes(const KStreamOptionsScn& options)
{
    GivenTakes given;
    for (const KScnTakeDescription& take : options.GetTakes())
        given.emplace(take.mName.Buffer(), &take);
    return given;
}

std::string ImportedTakeName(const std::string& name, KScnTakeDescription& description,
                             const GivenTakes& takes, KScnReaderScn::STakeMove& move)
{
    const auto found = takes.find(name);
    if (found != takes.end())
        {
            const KScnTakeDescription& given = *found->second;
            description.mImportName = given.mImportName;
            description.mFlags = given.mFlags;
            move = TakeMove(description, given);
            if (move.moves)
            {
                description.mLocalTimeStart = given.mLocalTimeStart;
                description.mLocalTimeStop = given.mLocalTimeStop;
            }
        }
    const char* import = description.mImportName.Buffer();
    return import[0] != '\0' ? std::string(import) : name;
}

// Moves the keys of a take's tree as the move says, when every key stays
// within kMaxMovedTicks; else notes the move refused (nothing moved).
void MoveTakeKeys(KFCurveNode& root, const KScnReaderScn::STakeMove& move)
{
    KTime first(KTime::kInfinite), last(KTime::kMinusInfinite);
    if (!move.moves || !root.GetKeyInterval(first, last))
        return;
    for (KTime t : {first, last})
        if (std::fabs((static_cast<double>(t.Get()) + static_cast<double>(move.shift.Get())) * move.scale) >
                kMaxMovedTicks ||
            std::fabs(static_cast<double>(t.Get())) > kMaxMovedTicks)
        {
            move.refused = true;
            return;
        }
    KFCurveFilterTimeShiftAndScale filter;
    filter.SetShift(move.shift);
    filter.SetScale(move.scale);
    filter.ApplyToNode(root, true);
}

// The take, to every take owner of the scene and to the file's camera
// switcher waiting to take its place, where missing.
void GiveTakeWhereMissing(KScnSceneRoot& scene, KScnNode* switcher, const char* name)
{
    scene.AddTakeWhereMissing(name);
    if (switcher != nullptr)
        switcher->AddTakeNode(name);
}

// The object's take of that name, looked for first at the index every
// object read shares for it.
KScnTakeNodeEntry* TakeAt(KScnTakeNodeContainer& object, int index, const char* name)
{
    if (index >= 0 && index < object.GetTakeNodeCount() &&
        std::strcmp(object.GetTakeNodeName(index), name) == 0)
        return object.GetTakeNode(index);
    return FindTake(object, name);
}

} // namespace

// Reads the channels of every take into the objects of this file: "Default"
// into their default takes, any other name into a take of that name (its
// import name when it has one), which every take owner of the scene gets so
// that the take can be made current for all.
//
// The objects were all made by this read, with the same takes, and each
// take of the file is added to every one of them: a take has one index for
// all, and is found there without a search.
void KScnReaderScn::ReadTakes(
    KScnSceneRoot& scene, KScnNode* switcher, const KStreamOptionsScn& options,
    const std::map<std::string, KScnTakeNodeContainer*> (&objects)[kTakeObjectKinds],
    std::vector<KScnTakeDescription>& descriptions, int& skipped)
{
    mSource->Rewind();
    if (!mSource->OpenField("Takes") || !mSource->HasFieldBlock() || !mSource->EnterFieldBlock())
    {
        mSource->Rewind();
        return;
    }
    const GivenTakes given = IndexGivenTakes(options);
    std::unordered_map<std::string, int> indexOf; // take names every object has
    int takeCount = 0;
    for (const auto& list : objects)
        if (!list.empty())
        {
            KScnTakeNodeContainer& first = *list.begin()->second;
            takeCount = first.GetTakeNodeCount();
            for (int i = 0; i < takeCount; ++i)
                indexOf.emplace(first.GetTakeNodeName(i), i);
            break;
        }
    while (mSource->OpenField("Take"))
    {
        KScnTakeDescription description;
        const std::string fileName = mSource->NextValueAsString();
        const bool block = mSource->HasFieldBlock() && mSource->EnterFieldBlock();
        if (block)
            ReadTakeFields(*mSource, description);
        STakeMove move;
        const KTime fileStart = description.mLocalTimeStart;
        const KTime fileStop = description.mLocalTimeStop;
        const std::string name = ImportedTakeName(fileName, description, given, move);
        description.mName = name.c_str();
        const auto known = indexOf.find(name);
        const int index = known != indexOf.end() ? known->second : -1;
        if (block)
        {
            ReadTakeChannels(name, index, options, objects, move, skipped);
            mSource->LeaveFieldBlock();
        }
        if (move.refused)
        {
            // A span, or keys, past the times a move may reach: the keys
            // stayed where the file has them, the take keeps the file's
            // span, and the status says what was left.
            description.mLocalTimeStart = fileStart;
            description.mLocalTimeStop = fileStop;
            ++skipped;
        }
        if (index < 0)
        {
            GiveTakeWhereMissing(scene, switcher, name.c_str());
            indexOf.emplace(name, takeCount++);
        }
        KScnReadMeter::Check();
        descriptions.push_back(description);
        mSource->CloseField();
    }
    mSource->Rewind();
}

// The channels of the current Take block (entered) into the take of that
// name of each object listed; index is the take's index in every object of
// the file, -1 for a take they do not have yet (a listed object gets it).
void KScnReaderScn::ReadTakeChannels(
    const std::string& name, int index, const KStreamOptionsScn& options,
    const std::map<std::string, KScnTakeNodeContainer*> (&objects)[kTakeObjectKinds], const STakeMove& move,
    int& skipped)
{
    static const char* const kKinds[kTakeObjectKinds] = {"Model",     "Material", "Texture",
                                                         "Character", "Deformer", "SubDeformer"};
    using O = KStreamOptionsScn;
    const bool read[kTakeObjectKinds] = {true,
                                         options.GetOption(O::eMaterials),
                                         options.GetOption(O::eTextures),
                                         options.GetOption(O::eCharacters),
                                         options.GetOption(O::eDeformers),
                                         options.GetOption(O::eDeformers)};
    const bool importPass = options.GetOption(O::eImportPass);
    // Objects given the new take by this block so far.
    std::unordered_map<KScnTakeNodeContainer*, KScnTakeNodeEntry*> added;
    // The take's time warps, current while its channels are read and baked.
    const KScnTimeWarpScope warps(*mSource);
    while (mSource->OpenNextField())
    {
        int kind = 0;
        while (kind < kTakeObjectKinds && std::strcmp(mSource->GetFieldName(), kKinds[kind]) != 0)
            ++kind;
        if (kind == kTakeObjectKinds || !read[kind])
            continue;
        auto it = objects[kind].find(mSource->NextValueAsString());
        if (it == objects[kind].end())
        {
            ++skipped;
            continue;
        }
        KScnTakeNodeContainer& object = *it->second;
        KScnTakeNodeEntry* take = nullptr;
        if (index >= 0)
            take = TakeAt(object, index, name.c_str());
        else
        {
            auto got = added.find(&object);
            take = got != added.end() ? got->second : (added[&object] = object.AddTakeNode(name.c_str()));
        }
        // An entry that writes nothing leaves the take reading its object's tree.
        if (take == nullptr || !mSource->HasFilledFieldBlock() || !mSource->EnterFieldBlock())
            continue;
        const KScnTakeNodeEntry::EditScope scope(*take);
        KFCurveNode* root = KMade(take->GetRootCurveNode());
        while (KFCurveNode::ReadScnChannels(*mSource, root, false, true, false) != nullptr)
        {
        }
        KScnReadMeter::Check();
        // Layers and time warps are merged and baked into plain curves,
        // then the keys are moved to the take's local span when asked.
        if (importPass)
            ApplyImportPass(root);
        MoveTakeKeys(*root, move);
        KScnReadMeter::Check();
        mSource->LeaveFieldBlock();
    }
}

namespace
{

// Connects each set as a source of handler, in order. The sets are seldom
// in the cache (a node linked to thousands of materials): what each
// connection reads of them is asked for a few connections ahead.
void ConnectSources(KScnPropertyHandler* handler, const std::vector<KScnPropertyHandler*>& sets)
{
    for (size_t k = 0; k < sets.size(); ++k)
    {
        for (int stage = 0; stage < 3; ++stage)
        {
            const size_t ahead = k + 2 * (3 - static_cast<size_t>(stage));
            if (ahead < sets.size())
                sets[ahead]->PrefetchForLinks(stage, true);
        }
        handler->ConnectSrc(sets[k]);
    }
}

// Materials and textures hang on their nodes in the file's order; the
// scene's binding turns the layers' indices into positions among them. A
// name the file does not define is counted.
void ConnectMaterialsAndTextures(KScnReaderScn::Document& doc, const std::vector<KScnNode*>& created,
                                 SConnectionNames<KScnMaterial>& materials, SConnectionNames<KScnTexture>& textures)
{
    for (size_t i = 0; i < doc.models.size(); ++i)
    {
        KScnPropertyHandler* handler = created[i]->GetPropertyHandler();
        const SModel& m = doc.models[i];
        ConnectSources(handler, materials.OrderSets(m.materials, &doc.skipped));
        ConnectSources(handler, textures.OrderSets(m.textures, &doc.skipped));
    }
}

} // namespace

bool KScnReaderScn::Read(KScnSceneRoot* scene, KStreamOptionsScn* options)
{
    if (!mSource->IsOpen())
        return Fail(eFileNotOpened, "no file open");
    if (options == nullptr)
        return Fail(eStreamOptionsNotSet, "no read options");
    KScnNode* root = scene != nullptr ? scene->GetRootNode() : nullptr;
    if (root == nullptr || mManager == nullptr)
        return Fail(eUnidentifiedError, "no scene to read into");
    if (mSource == &mFile && mEncrypted && !mDecrypted && !Decrypt(options->mPassword.Buffer()))
        return false;
    if (!(options->mBudgetScale > 0.0) || !std::isfinite(options->mBudgetScale))
        return Fail(eUnidentifiedError, "the mBudgetScale option must be a number above 0");
    KScnSceneContents* contents = scene->GetContents();
    Document doc;
    const std::vector<std::string> earlierTakes = KScnReadUndo::TakeNames(*scene);
    SEarlier earlier;
    size_t withoutTakes = 0;
    earlier.owners = KScnReadUndo::TakeOwnerCount(*scene, &withoutTakes);
    earlier.ownersWithoutTakes = withoutTakes;
    earlier.takes = earlierTakes.size() - std::count(earlierTakes.begin(), earlierTakes.end(), "Default");
    for (const std::string& name : earlierTakes)
        earlier.takeNameBytes += name != "Default" ? name.size() : 0;
    if (!ReadDocument(*mSource, doc, earlier, options->mBudgetScale))
        return Fail(eFileCorrupted, doc.error);
    LeaveOut(doc, *options);
    // Merged into a scene that holds objects already, a name one of them has
    // gets a running number (the look-ups below keep the file's names).
    KScnMergeNames merge(*scene);

    // Models, materials, textures and characters by name.
    std::map<std::string, KScnTakeNodeContainer*> objects[kTakeObjectKinds];
    // A repeat dropped by its duplicate test (FindRepeats) is not made: its
    // name stands for the object of the record it repeats.
    std::map<std::string, KScnMaterial*> materials;
    std::vector<KScnMaterial*> madeMaterials(doc.materials.size(), nullptr);
    for (size_t i = 0; i < doc.materials.size(); ++i)
    {
        const SMaterial& s = doc.materials[i];
        KScnMaterial* m = madeMaterials[doc.materialKept[i]];
        if (m == nullptr)
        {
            m = madeMaterials[i] = mManager->CreateMaterial(s.name.c_str());
            merge.Rename(m);
            contents->AddMaterial(m);
            FillMaterial(*m, s, doc.skipped);
        }
        materials[s.name] = m;
        objects[1][s.name] = m;
        KScnReadMeter::Check();
    }
    std::map<std::string, KScnTexture*> textures;
    std::vector<KScnTexture*> madeTextures(doc.textures.size(), nullptr);
    for (size_t i = 0; i < doc.textures.size(); ++i)
    {
        const STexture& s = doc.textures[i];
        KScnTexture* t = madeTextures[doc.textureKept[i]];
        if (t == nullptr)
        {
            t = madeTextures[i] = mManager->CreateTexture(s.name.c_str());
            merge.Rename(t);
            contents->AddTexture(t);
            FillTexture(*t, s, doc.skipped);
        }
        textures[s.name] = t;
        objects[2][s.name] = t;
        KScnReadMeter::Check();
    }
    SConnectionNames<KScnMaterial> materialNames(materials);
    SConnectionNames<KScnTexture> textureNames(textures);
    for (SModel& s : doc.models)
        if (s.hasMesh)
            RenumberConnections(s, materialNames, textureNames);
    std::map<std::string, KScnNode*> nodes;
    std::vector<KScnNode*> created;
    for (const SModel& s : doc.models)
    {
        KScnNode* node = mManager->CreateNode(s.name.c_str());
        merge.Rename(node);
        // Imported: the skeleton inherit-type fix-up below looks at it.
        node->SetFlag(true);
        // Kept as listed; the children are connected once every model exists.
        for (const std::string& child : s.children)
            node->AddChildName(child.c_str());
        std::vector<SValues> attributeProperties;
        ApplyNodeProperties(*node, s.properties, attributeProperties, doc.skipped);
        // Pivots, pre- and post-rotations, offsets and limits reach the
        // transform only through the pivot set and the node limits.
        if (options->GetOption(KStreamOptionsScn::ePivots))
            node->UpdatePivotsFromProperties();
        AddUserProperties(mManager, *node, s.userProperties, doc.skipped);
        if (s.hasMesh)
            BuildMesh(mManager, *node, s);
        else if (KScnNodeAttribute* attribute = MakeAttribute(mManager, s.kind, s.extra))
            node->SetNodeAttribute(attribute);
        else if (!s.kind.empty() && !AttachAttribute(mManager, *node, s.kind))
            ++doc.skipped;
        FinishModel(mManager, *node, s.extra, attributeProperties, doc.skipped);
        nodes[s.name] = node;
        objects[0][s.name] = node;
        created.push_back(node);
        KScnReadMeter::Check();
    }
    ConnectMaterialsAndTextures(doc, created, materialNames, textureNames);
    std::set<KScnNode*> hasParent;
    for (size_t i : doc.parentsDeepestFirst)
        for (const std::string& child : doc.models[i].children)
        {
            auto it = nodes.find(child);
            if (it != nodes.end() && created[i]->AddChild(it->second))
                hasParent.insert(it->second);
        }
    // Hung under the root, each top node brings its subtree into the
    // contents. The file's camera switcher (at most one, childless) takes
    // the scene's place only as the read commits: refused before, the read
    // leaves the scene's own with its takes.
    KScnNode* switcher = nullptr;
    for (KScnNode* node : created)
        if (IsCameraSwitcher(*node))
            switcher = node;
        else if (hasParent.count(node) == 0)
            root->AddChild(node);
    // A skeleton that inherits without its parent's scaling (type 2) under a
    // node that is no skeleton inherits it (type 1). This read's nodes only,
    // for both: what earlier reads made stays as its caller left it.
    scene->FixSkeletonInheritType(created);
    scene->BindLayersOf(created);
    SMadeCharacters made;
    for (const SCharacter& s : doc.characters)
        BuildCharacter(*scene, s, nodes, made, doc.skipped);
    for (const SCharacter& s : doc.characters)
        ConnectCharacterSource(s, made, doc.skipped);
    objects[3] = made.characters;
    SMadeParts parts;
    BuildSceneParts(mManager, *scene, doc.parts, nodes, parts, doc.skipped);
    objects[4] = parts.skins;
    objects[5] = parts.clusters;
    // Each object read starts its default take from its property values.
    for (const auto& list : objects)
        for (const auto& named : list)
            named.second->PushAllPropertiesToDefaultTake();
    std::vector<KScnTakeDescription> descriptions;
    if (options->GetOption(KStreamOptionsScn::eTakes))
        ReadTakes(*scene, switcher, *options, objects, descriptions, doc.skipped);
    // What this read made gets the takes the scene had before it.
    for (const std::string& take : earlierTakes)
        GiveTakeWhereMissing(*scene, switcher, take.c_str());
    RenameLegacyShapeChannels(created);
    KScnReadMeter::Check();
    GiveMetaData(*scene, *options, doc.metaData.get());
    mStatus = doc.skipped == 0 ? "" : (std::to_string(doc.skipped) + " items skipped").c_str();
    if (mImporter != nullptr)
        mImporter->ReportProgress(this, "Scene read", mImporter->GetFileName().Buffer(), 100.0);
    else
        options->ReportProgress(this, "Scene read", 100.0);
    // Asked not to keep them, skins and clusters go once bound into links
    // (those of earlier reads into the scene too): the scene keeps the links.
    if (!options->GetOption(KStreamOptionsScn::eKeepDeformers))
        scene->DestroyAllDeformers();
    // Last: a failed read takes back what it made but cannot unlist a
    // description (all of them are listed or none).
    scene->SetTakeInfos(descriptions);
    // The one change nothing takes back: the scene's switcher is destroyed
    // (its replacement has every take it had).
    if (switcher != nullptr)
        scene->SetCameraSwitcherNode(switcher);
    return true;
}

void KScnReaderScn::GiveMetaData(KScnSceneRoot& scene, KStreamOptionsScn& options,
                                 const KScnSceneMetaData* metaData)
{
    if (metaData == nullptr)
        return;
    options.SetSceneMetaData(metaData);
    if (mImporter != nullptr)
        return;
    if (scene.GetSceneMetaData() == nullptr)
        scene.SetSceneMetaData(mManager->CreateSceneMetaData());
    if (scene.GetSceneMetaData() != nullptr)
        *scene.GetSceneMetaData() = *metaData;
}

KStreamOptionsScn* KScnReaderScn::CreateReadOptionsOfFile(KScn& file)
{
    mSource = &file;
    KStreamOptionsScn* options = CreateReadOptions(true);
    mSource = &mFile;
    return options;
}

bool KScnReaderScn::ReadFromFile(KScnSceneRoot* scene, KStreamOptionsScn* options, KScn& file)
{
    mSource = &file;
    const bool ok = ReadScene(scene, options);
    mSource = &mFile;
    return ok;
}

} // namespace scenesdk
