#pragma once

// KScnTakeNodeContainer: the base of every animatable scene object. It keeps
// one take node (KScnTakeNodeEntry) per take, index 0 being the default take
// "Default", selects a current take, and keeps the object's animatable
// properties and the default values of their channels equal in both
// directions:
// - writing a property pushes its value into the channel's curves (silently:
//   the curves' listeners never hear these writes, so nothing loops back);
// - a curve linked to a property (KScnPropertyCurveLink, made for the curves
//   of the take "Default") writes its new default value into the property.
//
// Ownership: the container owns its take nodes (and through them their
// channel trees) and its links. A link dies with its curve (the curve's
// destroy event), when its property leaves the property handler, or with the
// container. The derived object owns the property handler and the error
// record handed to the constructor; the container only writes errors there,
// always id 0 with one of the texts "Index out of range", "Unknown take node
// name", "Take node does not exist", "Cannot remove default take node",
// "Take node already exists".

#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/animation/KTime.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnObject.h"
#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace scenesdk
{

class KErrorRecord;
class KFCurve;
class KFCurveNode;
class KObject;
class KProperty;
class KScnPropertyHandler;
class KScnPropertyRef;
class KScnSdkManager;
class KScnTakeNodeContainer;
struct KFCurveEvent;

// One property component fed by one curve's default value.
struct KScnPropertyCurveLink
{
    KProperty* mProperty = nullptr;
    int mComponent = 0; // 0 for a one-value property, 0..3 for a vector or colour
    KFCurve* mCurve = nullptr;
    KScnTakeNodeContainer* mContainer = nullptr;
};

class KScnTakeNodeContainer : public KScnObject
{
public:
    // Empty take and link lists, current take -1. error may be null (errors
    // are then not recorded). The name is stored as given (KScnObject).
    KScnTakeNodeContainer(KScnSdkManager* manager, const char* name, KErrorRecord* error);
    // Without a manager: user-property handles made by the container are its own.
    KScnTakeNodeContainer(const char* name, KErrorRecord* error) : KScnTakeNodeContainer(nullptr, name, error)
    {
    }
    KScnTakeNodeContainer(const KScnTakeNodeContainer&) = delete;
    KScnTakeNodeContainer& operator=(const KScnTakeNodeContainer&) = delete;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    // Deletes the take nodes from the last to the first, then every link,
    // then the handles it owns (see CreateUserPropertyFromProperty).
    ~KScnTakeNodeContainer() override;
    friend class KScnSdkManager;

public:
    // Appends every property of the handler in the handler's order; nothing without a handler.
    virtual void CollectHandlerProperties(std::vector<KProperty*>& out);

    // A failed selection records its error and makes index 0 current.
    virtual bool SelectTakeNodeByName(const char* name);
    virtual bool SelectTakeNodeByIndex(int index);
    // Widens [start, stop] to the key times of the current take's curves;
    // false and both untouched without a current take or without keys.
    virtual bool GetCurrentTakeInterval(KTime& start, KTime& stop);
    // Fills the channel tree of the object's first take; each concrete class
    // builds its own (usually through CreatePropertyChannels).
    virtual void BuildTakeChannels(KScnTakeNodeEntry* take) = 0;
    // The same tree in parts, for a default take that waits to be built a
    // part at a time (see KScnTakeNodeEntry::FindCurve): the parts, built in
    // order, make what BuildTakeChannels makes, each part's channels coming
    // after those of the parts before it in a walk of the tree (depth first,
    // children in order), each appended to the root's children or to those
    // of the root's first child. BuildTakeChannelPart answers whether the
    // part made a channel. By default one part, the whole tree.
    virtual int GetTakeChannelPartCount() { return 1; }
    virtual bool BuildTakeChannelPart(KScnTakeNodeEntry* take, int part);

    // ---- Takes ----
    // AddTakeNode("Default"), then makes index 0 current.
    KScnTakeNodeEntry* AddDefaultTakeNode();
    // AddDefaultTakeNode, the default take's tree built only when first
    // needed (see CreateDeferredBuild): read, copied, renamed, evaluated, its
    // curves or links asked for, another take added, or the handler's
    // property list or a property's name changing; a curve asked for by its
    // path builds only the parts of the tree up to the one that holds it.
    // Every part starts from the values its properties have when it is
    // built, as an eager tree would hold them (a value written into an
    // animatable property is pushed into the parts built).
    KScnTakeNodeEntry* AddDeferredDefaultTakeNode();
    // Builds the tree of the default take now when it waits (nothing otherwise).
    void BuildDeferredTakes();
    bool HasDeferredTakeBuild() const { return !mTakes.empty() && mTakes[0]->IsBuildDeferred(); }
    // Whether any curve link is held (the deferred take is not built to tell).
    bool HasPropertyCurveLinks() const { return !mLinks.empty(); }
    // The tree that waits will never be built (the object is going).
    void DropDeferredTakeBuild();
    // Called by the entry whose build waits, with its root in place: builds
    // a part (BuildTakeChannelPart) and answers whether it made a channel.
    bool BuildDeferredTakePart(KScnTakeNodeEntry* take, int part);
    // True while BuildTakeChannels builds a tree that waited (what it would
    // do to the properties was done when the take was added).
    bool IsBuildingDeferredTake() const { return mBuildingDeferred; }
    // Null (error) when a take of that name exists (names compare byte for
    // byte). A take added after the first is a deep copy of the default take;
    // the first one is built by BuildTakeChannels. The current take is kept.
    // Memory running out throws std::bad_alloc and adds nothing (a null
    // answer would read as a take that exists).
    KScnTakeNodeEntry* AddTakeNode(const char* name);
    // The default take (index 0) cannot be removed. Removing the current
    // take makes the one before it current; a current take after it keeps
    // being current (its index moves down with it).
    bool RemoveTakeNode(int index);
    // Whether a take has that name (byte for byte); null is the empty name.
    bool HasTakeNode(const char* name) { return HasTakeNamed(name != nullptr ? name : ""); }
    int GetTakeNodeCount() const { return static_cast<int>(mTakes.size()); }
    // Reading and writing: the const forms give a const entry, whose
    // accessors never copy a tree (a take reading a snapshot that others
    // share keeps reading it); read through them. The others give an entry
    // to write through, and its first writable pointer makes the take's own
    // tree (see KScnTakeNodeEntry). Both record "Take node does not exist"
    // for an index out of range.
    KScnTakeNodeEntry* GetTakeNode(int index);
    const KScnTakeNodeEntry* GetTakeNode(int index) const;
    const char* GetTakeNodeName(int index) const;
    // Null without error when there is no take.
    KScnTakeNodeEntry* GetDefaultTakeNode() { return mTakes.empty() ? nullptr : mTakes[0]; }
    const KScnTakeNodeEntry* GetDefaultTakeNode() const { return mTakes.empty() ? nullptr : mTakes[0]; }
    KScnTakeNodeEntry* GetCurrentTakeNode() { return GetTakeNode(mCurrent); }
    const KScnTakeNodeEntry* GetCurrentTakeNode() const { return GetTakeNode(mCurrent); }
    int GetCurrentTakeIndex() const { return mCurrent; }

    // ---- Property channels ----
    // Creates the property's channel (and its component children) in a take
    // when absent, links its curves when the take is named "Default", and
    // copies the property's value into it.
    void CreatePropertyChannels(KProperty* property, KScnTakeNodeEntry* take);
    // CreatePropertyChannels for every animatable property of the set, in
    // property-list order (the count read once); nothing for a null set or take.
    void CreateAnimatablePropertyChannels(KScnPropertyHandler* set, KScnTakeNodeEntry* take);
    // Makes an animatable property's channels in every take: "Lcl
    // Translation", "Lcl Rotation" and "Lcl Scaling" only reuse an existing
    // "T", "R" or "S" channel; any other name gets its channel when absent,
    // its curves linked in take 0. Each channel found or made gets the value.
    // Marks the property (state bit 8). Nothing for a property that is not
    // animatable. Exhausted memory throws std::bad_alloc, the takes and the
    // mark as they were.
    void AddPropertyToTakes(KProperty* property);
    // Deletes the property's channel (found by its plain name) in every take
    // and drops the property's links.
    void RemovePropertyFromTakes(KProperty* property);
    // Copies an animatable property's value into its channel of the current
    // take and of the default take (components are made as needed). The
    // property set does it for every value written into one of its
    // animatable properties (KScnPropertyHandler). A value a linked curve
    // writes is not pushed. Memory running out throws std::bad_alloc with
    // both takes as they were; once PreparePropertyPush did for the
    // property, the push takes no memory.
    void PushPropertyToTakeDefaults(KProperty* property);
    // The same into the channel of that name.
    void PushPropertyToTakeDefaults(KProperty* property, const char* channelName);
    // Takes what the push of the property needs (the trees of the takes it
    // writes made their own, the channel's component curves made), so that
    // a writer that changes the value after it and pushes then cannot be
    // stopped in between. Memory running out throws std::bad_alloc with
    // every take reading as it did (the parts it made go again).
    void PreparePropertyPush(KProperty* property);
    void PreparePropertyPush(KProperty* property, const char* channelName);
    // Copies every handler property's value into its existing channel of the default take.
    void PushAllPropertiesToDefaultTake();

    // ---- Links ----
    // Nothing when property or curve is null, or while a default take that
    // waited is built after UnlinkAllPropertyCurves.
    void LinkPropertyToCurve(KProperty* property, int component, KFCurve* curve);
    // When the link is one of this container's: stops listening, frees it and nulls the caller's pointer.
    void UnlinkPropertyCurve(KScnPropertyCurveLink*& link);
    // Drops every link, for good: a default take that waits makes none for
    // its curves when it is built later, as a tree built at once would hold
    // none (links made after, for a property given its channels, stay).
    // Allocates nothing.
    void UnlinkAllPropertyCurves();
    // Drops every link of one property (it is leaving its handler).
    void UnlinkPropertyCurves(KProperty* property);
    // Drops every link of a property of set (an attribute leaving the
    // object); allocates nothing.
    void UnlinkPropertyCurvesOf(KObject* set);
    // Both first build a default take that waits.
    int GetLinkCount() const;
    KScnPropertyCurveLink* GetLink(int index) const;

    // ---- User properties ----
    // Called by AddUserProperty. A record without a kernel property first
    // gets one from the handler (CreatePropertyForRef); an animatable user
    // property then gets its channels in every take (AddPropertyToTakes).
    void OnUserPropertyAdded(KScnPropertyRef* property) override;
    // Drops the channels and curve links of the handle's kernel property,
    // then, for a user property defined by name and type, asks the handler
    // to remove the property it made for it (RemovePropertyForRef; the record
    // stays listed). A handle of one of the set's own properties (declared,
    // or made by the set, as a node's "Lcl Translation") leaves it in the set.
    virtual void OnUserPropertyRemoved(KScnPropertyRef* property);
    // Makes every property of the handler a user property of the object (a
    // property already listed is skipped); each handle reports its value
    // changes to the handler. Returns the number of handles added.
    int InstantiateHandlerProperties();
    // InstantiateHandlerProperties for a new object whose list is empty, with
    // the handles made only when the list is first used (or the handler's
    // property list changes): the animatable properties are marked and given
    // their channels now, the handles stand reserved in the manager (one
    // asked for alone is made alone, see KScnObject).
    void DeferHandlerProperties();
    // A handle for a kernel property: made by the manager, or owned by the
    // container when it has none. Null for a null property.
    virtual KScnPropertyRef* CreateUserPropertyFromProperty(KProperty* property);
    // KScnPropertyHandler::CreatePropertyForRef on the handler: the property
    // made, or null when nothing was made (no handler included).
    KProperty* CreatePropertyForRef(KScnPropertyRef* property);
    // KScnPropertyHandler::RemovePropertyForRef on the handler; false without one.
    bool RemovePropertyForRef(KScnPropertyRef* property);

    // ---- Helpers without an object ----
    // "Lcl Translation" -> "T", "Lcl Rotation" -> "R", "Lcl Scaling" -> "S"; others unchanged.
    static KString ChannelNameOfProperty(const char* name);
    // Number of values of a property: its data type's component count, else
    // 3 for type codes 13 and 14, 4 for 12 and 15, else 1.
    static int ComponentCountOf(KProperty* property);
    // A vector or colour goes to the children 0..2 (made "X", "Y", "Z" with
    // curves when missing), anything else to the node's own curve (made when missing).
    static void CopyPropertyValueToChannel(KFCurveNode* node, KProperty* property);
    // As above but writes only into children and curves that exist; up to four components.
    static void CopyKPropertyValueToChannel(KFCurveNode* node, KProperty* property);
    // The curve listener of a link (object: the link).
    static void OnLinkedCurveChanged(KFCurve* curve, KFCurveEvent* event, void* link);
    // True while a linked curve writes its default value into the property
    // (such a write is not pushed back to the takes).
    static bool IsWrittenByCurve(const KProperty* property);
    // Writes a default value without calling the curve's listeners and
    // leaves no pending event behind.
    static void WriteCurveDefaultSilently(KFCurve* curve, double value);

protected:
    // The error record is not the object's state: readers record into it too.
    void SetError(const char* text) const;

    // The default values of the "X", "Y" and "Z" curves under channel in the
    // default take (0 for a missing curve or take).
    void GetAxisCurveDefaults(const char* channel, double& x, double& y, double& z) const;
    // Sets them (through the curves' listeners); missing curves are skipped.
    // Memory running out (the take's tree made its own) throws
    // std::bad_alloc with every curve as it was.
    void SetAxisCurveDefaults(const char* channel, double x, double y, double z);
    // Those curves to write (null where missing), had as SetAxisCurveDefaults
    // has them before it writes them.
    void FindAxisCurvesToWrite(const char* channel, KFCurve* curves[3]);

    // The handles that wait stand for the first properties of the handler,
    // in its order (its list does not change while they wait: a change
    // makes them first).
    KProperty* PlaceProperty(int place) const override;
    KScnPropertyRef* MakeWaitingHandle(int place) override;

private:
    void DeleteLinkAt(size_t index);
    // A handle for a property of the handler not handled yet (noted as
    // handled now); null for a null or handled property.
    KScnPropertyRef* MakeHandlerHandle(KScnPropertyHandler* handler, KProperty* property,
                                       std::unordered_set<const KProperty*>& handled);
    KFCurveNode* FindPropertyChannel(KScnTakeNodeEntry* take, const char* channel) const;
    // The channels a push of the property writes (of the current and the
    // default take; null where a take has none), made ready to be written
    // without taking memory (see PreparePropertyPush). False, nothing
    // found, for a property that is not pushed.
    bool PrepareChannels(KProperty* property, const char* channel, KFCurveNode*& currentNode,
                         KFCurveNode*& defNode);
    // The property's channel in one take (made when absent, its curves
    // linked in take 0) given the property's value; the channel made here,
    // else null. Memory running out takes a channel made here back.
    KFCurveNode* AddPropertyToTake(KProperty* property, int takeIndex);
    // Deletes a channel AddPropertyToTake made (links to its curves go with
    // them); nothing for null. Allocates nothing.
    void DropMadeChannel(KFCurveNode* channel);

    std::vector<KScnTakeNodeEntry*> mTakes;
    // The takes' names with their indexes, for the duplicate check of
    // AddTakeNode and for SelectTakeNodeByName, made once an object has many
    // takes (up to kIndexedTakes are compared one by one: the index costs
    // some 50 bytes a take on every object, more than the take itself
    // shares) and rebuilt when any take was renamed since they were
    // gathered, or a take other than the last was removed.
    static constexpr size_t kIndexedTakes = 64;
    using TakeNameIndex = std::unordered_multimap<std::string_view, size_t>;
    // The index of the first take of that name; -1 when none has it.
    int FindTakeNamed(std::string_view name);
    bool HasTakeNamed(const std::string& name) { return FindTakeNamed(name) >= 0; }
    // A take listed last is noted in the name index, if there is one.
    void NoteTakeNamed(const char* name);
    // Views of the takes' own names (static text for "Default") with their
    // indexes, read again when stale.
    TakeNameIndex& TakeNames();
    // Adds a name to the index (what it holds is metered as a read makes it).
    static void IndexTakeName(TakeNameIndex& names, const char* name, size_t index);
    std::unique_ptr<TakeNameIndex> mTakeNames;
    uint64_t mTakeNamesAt = ~uint64_t(0);
    std::vector<KScnFree<KScnPropertyRef>*> mOwnedRefs; // handles made without a manager
    std::vector<KScnPropertyCurveLink*> mLinks;
    int mCurrent = -1;
    bool mBuildingDeferred = false;
    // Every link was dropped while the default take waited: the parts built
    // since make none.
    bool mWaitingTreeUnlinked = false;
    KErrorRecord* mError = nullptr;
};

} // namespace scenesdk
