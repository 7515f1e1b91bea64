#include "scenesdk/importers/KScnReaderWavefrontMov.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KScnMotionBuilder.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <cmath>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace scenesdk
{

namespace
{

const int kCustom = 3; // a channel kind beside KScnTakeKeys::EChannel

struct SChannel
{
    size_t mNode;
    int mKind; // KScnTakeKeys::EChannel or kCustom
    int mAxis;
    std::string mName; // of a custom channel
};

struct SPlan
{
    std::vector<std::string> mNodes;
    std::vector<SChannel> mChannels;
};

// The transform channel an attribute names; false for a custom one.
bool TransformChannel(const std::string& attribute, int& kind, int& axis)
{
    static const char* const kNames[3][2] = {{"translate", "t"}, {"rotate", "r"}, {"scale", "s"}};
    for (kind = 0; kind < 3; ++kind)
        for (axis = 0; axis < 3; ++axis)
            for (const char* name : kNames[kind])
                if (attribute == std::string(name) + static_cast<char>('x' + axis))
                    return true;
    return false;
}

// The plan of the caller's channel list; false with why.
bool PlanChannels(const std::vector<std::string>& list, SPlan& plan, std::string& why)
{
    std::unordered_map<std::string, size_t> nodes;
    std::unordered_set<std::string> seen;
    for (size_t i = 0; i < list.size(); ++i)
    {
        const std::string& entry = list[i];
        const size_t dot = entry.find_last_of('.');
        if (dot == std::string::npos || dot == 0 || dot + 1 == entry.size())
        {
            why = "channel " + std::to_string(i + 1) + " (\"" + entry + "\") is not node.attribute";
            return false;
        }
        const std::string node = entry.substr(0, dot);
        SChannel channel{0, kCustom, 0, entry.substr(dot + 1)};
        TransformChannel(KTextTokens::Lower(channel.mName), channel.mKind, channel.mAxis);
        const auto it = nodes.emplace(node, plan.mNodes.size()).first;
        if (it->second == plan.mNodes.size())
            plan.mNodes.push_back(node);
        channel.mNode = it->second;
        const std::string key =
            node + '\n' +
            (channel.mKind == kCustom ? KTextTokens::Lower(channel.mName)
                                      : std::to_string(channel.mKind * 3 + channel.mAxis));
        if (!seen.insert(key).second)
        {
            why = "channel " + std::to_string(i + 1) + " (\"" + entry + "\") is listed twice";
            return false;
        }
        plan.mChannels.push_back(channel);
    }
    return true;
}

// Without a channel list: generic channels of one node.
void PlanGeneric(size_t columns, SPlan& plan)
{
    plan.mNodes = {"MOV"};
    for (size_t c = 0; c < columns; ++c)
        plan.mChannels.push_back(SChannel{0, kCustom, 0, "Channel" + std::to_string(c + 1)});
}

// The curves of the node's number channels in the take, by name: gathered
// in one pass over the take's channels, so that finding each column's curve
// costs no search among the others.
void CustomCurves(KScnNode* node, const char* take, std::unordered_map<std::string, KFCurve*>& out)
{
    for (int i = 0; i < node->GetTakeNodeCount(); ++i)
    {
        if (std::strcmp(node->GetTakeNodeName(i), take) != 0)
            continue;
        KFCurveNode* root = node->GetTakeNode(i)->GetRootCurveNode();
        for (int c = 0; root != nullptr && c < root->GetChildCount(); ++c)
            if (KFCurveNode* child = root->GetChildAt(c))
                out.emplace(child->GetName(), child->GetFCurve());
        return;
    }
}

class CMovBuild
{
public:
    CMovBuild(KScnMotionBuilder& motion, const SPlan& plan, const KStreamOptionsWavefrontMov& options)
        : mMotion(motion), mBuilder(motion.GetBuilder()), mPlan(plan), mOptions(options)
    {
    }

    // False with why.
    bool Nodes(std::string& why)
    {
        for (const std::string& name : mPlan.mNodes)
        {
            KScnNode* node = mBuilder.CreateNode(name.c_str());
            if (node == nullptr)
                throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
            mNodes.push_back(node);
        }
        for (const SChannel& channel : mPlan.mChannels)
        {
            KScnNode* node = mNodes[channel.mNode];
            if (channel.mKind == KScnTakeKeys::eRotation && !node->GetRotationActive())
            {
                // Through the node's limits adapter: the options' order, the rotation on.
                KScnMotionBuilder::SetRotationOrder(node, mOptions.mRotationOrder);
                KScnMotionBuilder::TurnRotationOn(node);
            }
            if (channel.mKind == kCustom && !AddNumberChannel(node, channel.mName, why))
                return false;
        }
        return true;
    }

    // Memory running out throws (error 0, "out of memory while ...").
    void Keys(const std::vector<double>& values, size_t rows)
    {
        const char* take = mMotion.GetTakeName().c_str();
        const size_t columns = mPlan.mChannels.size();
        std::vector<std::unordered_map<std::string, KFCurve*>> custom(mNodes.size());
        std::vector<char> gathered(mNodes.size(), 0);
        for (size_t c = 0; c < columns; ++c)
        {
            const SChannel& channel = mPlan.mChannels[c];
            KScnNode* node = mNodes[channel.mNode];
            KFCurve* curve = nullptr;
            if (channel.mKind == kCustom)
            {
                if (!gathered[channel.mNode])
                {
                    // Gives the node the take first when it has none yet.
                    KScnTakeKeys::GetCurve(node, take, KScnTakeKeys::eTranslation, 0);
                    CustomCurves(node, take, custom[channel.mNode]);
                    gathered[channel.mNode] = 1;
                }
                const auto found = custom[channel.mNode].find(channel.mName);
                curve = found != custom[channel.mNode].end() ? found->second : nullptr;
            }
            const bool keyed =
                channel.mKind == kCustom
                    ? mMotion.KeyCurve(curve, values.data() + c, rows, columns)
                    : mMotion.KeyFrames(node, static_cast<KScnTakeKeys::EChannel>(channel.mKind), channel.mAxis,
                                        values.data() + c, rows, columns);
            if (!keyed)
                throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        }
    }

private:
    bool Fault(const std::string& text, std::string& why)
    {
        why = text;
        return false;
    }

    // The node's property names in lower case, gathered once per node and
    // kept up to date as channels are added: each channel's check is one
    // look-up, not a search among the channels added before it.
    bool AddNumberChannel(KScnNode* node, const std::string& name, std::string& why)
    {
        auto names = mPropertyNames.find(node);
        if (names == mPropertyNames.end())
        {
            names = mPropertyNames.emplace(node, std::unordered_set<std::string>()).first;
            KScnNodeProperties* properties = node->GetNodeProperties();
            for (int i = 0; i < properties->GetPropertyCount(); ++i)
                names->second.insert(KTextTokens::Lower(properties->GetProperty(i)->GetName()));
        }
        const std::string lower = KTextTokens::Lower(name);
        if (!names->second.insert(lower).second)
            return Fault("channel " + name + " takes the name of a property of " + node->GetName(), why);
        KScnSdkManager* manager = mBuilder.GetManager();
        KScnPropertyRef* ref = manager->CreateUserProperty(name.c_str(), "Real", "");
        if (ref == nullptr)
            throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        // Until the node lists it, it goes back to the manager, also when
        // memory runs out.
        try
        {
            ref->SetFlag(KScnPropertyRef::kFlagAnimatable, true);
            if (node->CreatePropertyForRef(ref) == nullptr)
                throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        }
        catch (...)
        {
            manager->DestroyUserProperty(ref);
            throw;
        }
        node->AdoptUserProperty(ref); // the node's own: it goes with the node
        return true;
    }

    KScnMotionBuilder& mMotion;
    KScnImportBuilder& mBuilder;
    const SPlan& mPlan;
    const KStreamOptionsWavefrontMov& mOptions;
    std::vector<KScnNode*> mNodes;
    std::unordered_map<const KScnNode*, std::unordered_set<std::string>> mPropertyNames;
};

} // namespace

bool KScnReaderWavefrontMov::OnOpen()
{
    const std::vector<char>& bytes = GetBytes();
    static const char* const kVideoAtoms[] = {"ftyp", "moov", "mdat", "wide", "free", "skip", "pnot"};
    for (const char* atom : kVideoAtoms)
        if (bytes.size() >= 8 && std::memcmp(bytes.data() + 4, atom, 4) == 0)
            return Refuse("a video file, not channel motion");
    const void* nul = bytes.empty() ? nullptr : std::memchr(bytes.data(), '\0', bytes.size());
    if (nul != nullptr)
        return Refuse("binary content (a NUL byte at offset " +
                      std::to_string(static_cast<const char*>(nul) - bytes.data()) + ")");
    return true;
}

bool KScnReaderWavefrontMov::ReadMatrix(std::vector<double>& values, size_t& columns, size_t& rows,
                                        int& headerLines)
{
    KTextFile file;
    file.Attach(GetBytes().data(), GetBytes().size());
    file.SetCommentChar('#');
    std::string_view line;
    columns = rows = 0;
    headerLines = 0;
    while (file.NextLine(line))
    {
        KTextTokens tokens(line);
        std::string_view token;
        if (!tokens.Next(token))
            continue;
        double value = 0.0;
        if (rows == 0 && !KTextNumber::ToDouble(token, value))
        {
            if (++headerLines > kHeaderLines)
                return RefuseAt(file.GetLineNumber(), "no row of numbers in the first lines");
            continue;
        }
        size_t count = 0;
        do
        {
            if (!KTextNumber::ToDouble(token, value))
                return RefuseAt(file.GetLineNumber(), "not a number: " + KTextTokens::Clip(token, 64));
            if (++count > kMaxColumns)
                return RefuseAt(file.GetLineNumber(),
                                "more than " + std::to_string(kMaxColumns) + " columns");
            values.push_back(value);
        } while (tokens.Next(token));
        if (rows > 0 && count != columns)
            return RefuseAt(file.GetLineNumber(), "a row of " + std::to_string(count) +
                                                      " numbers after rows of " + std::to_string(columns));
        columns = count;
        ++rows;
    }
    if (file.Failed())
        return Refuse(file.GetError());
    return rows > 0 ? true : Refuse("no rows of numbers");
}

bool KScnReaderWavefrontMov::Read(KScnImportBuilder& builder, const KStreamOptionsWavefrontMov& options)
{
    if (!CheckOption(options.mFrameRate, "frame rate", KScnMotionBuilder::kMaxFrameRate) ||
        !CheckOption(options.mUnitScale, "unit scale"))
        return false;
    if (options.mRotationOrder < eEulerXYZ || options.mRotationOrder > eEulerZYX)
        return Fail(eUnidentifiedError, "the rotation order option is not an Euler order");
    SPlan plan;
    std::string why;
    if (!PlanChannels(options.mChannels, plan, why))
        return Fail(eUnidentifiedError, why);
    std::vector<double> values;
    size_t columns = 0, rows = 0;
    int headerLines = 0;
    if (!ReadMatrix(values, columns, rows, headerLines))
        return false;
    if (options.mChannels.empty())
        PlanGeneric(columns, plan);
    else if (columns != plan.mChannels.size())
        return Refuse("the rows have " + std::to_string(columns) + " columns, the channel list " +
                      std::to_string(plan.mChannels.size()));
    // Each column is a channel (a curve, and on a generic node a property).
    KScnReadCost cost;
    cost.Add(KScnReadCost::eNodes, plan.mNodes.size());
    cost.Add(KScnReadCost::eChannels, columns);
    if (!CheckCost(cost, options, "KStreamOptionsWavefrontMov"))
        return false;
    const double first = options.mFirstFrame / options.mFrameRate;
    const double last = (options.mFirstFrame + static_cast<double>(rows) - 1.0) / options.mFrameRate;
    if (!(std::fabs(first) <= KScnMotionBuilder::kMaxSeconds && last <= KScnMotionBuilder::kMaxSeconds))
        return Refuse("the rows reach beyond the longest take");
    KScnMotionBuilder motion(builder, GetFileStem().c_str());
    if (!motion.SetFrameRate(options.mFrameRate, options.mFirstFrame,
                             options.mFirstFrame + static_cast<int64_t>(rows) - 1, why))
        return Refuse(why);
    for (size_t c = 0; c < columns; ++c)
        if (plan.mChannels[c].mKind == KScnTakeKeys::eTranslation)
            for (size_t r = 0; r < rows; ++r)
                values[r * columns + c] *= options.mUnitScale;

    CMovBuild build(motion, plan, options);
    if (!build.Nodes(why))
        return Fail(eUnidentifiedError, why);
    build.Keys(values, rows);
    motion.FilterCurves();
    mStatus = headerLines > 0 ? (std::to_string(headerLines) + " header lines skipped").c_str() : "";
    return true;
}

} // namespace scenesdk
