#pragma once

// KScnCharacter: the character set-up of a scene. It maps up to 191
// character node slots (hips, legs, spine, fingers, toes, props, ...) to scene
// nodes with per-slot offsets and rotation limits, owns its control set and
// its solver parameter table, and carries its settings in its property set
// (KScnCharacterProperties). For the scene it is a constraint of kind 7 and a
// take-node object of object kind 8. Nothing here drives a skeleton.
//
// Every node mapped to a slot holds a character-link record of type 0 (the
// slot's id, sub-index 0); SetLink and Reset keep those records in step, and
// a node that is destroyed empties the slots that name it.
//
// Ownership: made and destroyed by the scene through the SDK manager; owns
// its property set, control set and parameter table; refers to nodes only.

#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KgeTVector.h"

#include <cstdint>

namespace scenesdk
{

class KScnCharacterParameters;
class KScnCharacterProperties;
class KScnControlSet;
class KScnNode;
class KPropertyObjectList;

// One character node slot.
struct KScnCharacterNodeLink
{
    KScnCharacterNodeLink() { Reset(); }
    // Copies every field but the link property, which stays the destination's.
    KScnCharacterNodeLink& operator=(const KScnCharacterNodeLink& other);
    KScnCharacterNodeLink(const KScnCharacterNodeLink& other) { *this = other; }
    // The defaults below; clears the link property too. A fresh slot has all
    // six rotation limits switched on (as the limits of older files read).
    void Reset();

    KScnNode* node;
    KString name;
    KgeTVector offsetT;
    KgeTVector offsetR;
    KgeTVector offsetS;
    KgeTVector parentOffsetR;
    int32_t hasRotationSpace;
    uint8_t minEnable[3];
    uint8_t maxEnable[3];
    KgeTVector rotationMin;
    KgeTVector rotationMax;
    KgeTVector preRotation;
    KgeTVector postRotation;
    int32_t rotationOrder;
    double axisLength;
    KPropertyObjectList* linkProperty = nullptr;
};

class KScnCharacter : public KScnConstraint
{
public:
    static constexpr int kNodeCount = 191;
    static constexpr int kLinkGroupCount = 12;

    // Link groups: the file sections that name the node ids.
    enum ELinkGroup
    {
        eBase = 0,
        eAuxiliary,
        eSpine,
        eRoll,
        eSpecial,
        eLeftHand,
        eRightHand,
        eProps,
        eGameModeParent,
        eNeck,
        eLeftFoot,
        eRightFoot
    };

    // What the character takes its motion from.
    enum ESourceKind
    {
        eSourceGenericConstraint = 0, // an object of object kind 6
        eSourceCharacter = 1,
        eSourceControlSetPlug = 2,
        eSourceNone = 4
    };

    // name: the full name (the scene's factory puts "Constraint::" before it).
    KScnCharacter(KScnSdkManager* manager, const char* name);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnCharacter() override;
    friend class KScnSdkManager;

public:
    int GetObjectKind() const override { return eKindCharacter; }
    EConstraintKind GetConstraintKind() const override { return eCharacter; }
    KString GetTypeName() const override { return KString("Character"); }
    // One entry, "Character".
    KStringList GetTypeNameList() const override;
    void SetOffset(KgeTVector /*offset*/) override {}
    // Channels for every animatable property of the set, in list order.
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;

    // Stores slot id (0..190; false otherwise, nothing changed). The old
    // node loses its type-0 record and the new one gets it. With update, the
    // slot's link property is made to hold exactly the new node's property
    // set (empty without a node).
    bool SetLink(int id, const KScnCharacterNodeLink& record, bool update);
    // A copy of slot id; false for an id outside 0..190.
    bool GetLink(int id, KScnCharacterNodeLink& out) const;

    // Ties the character to a source: kind 0 needs an object of object kind
    // 6, 1 a character, 2 a control-set plug. A null or mismatched object,
    // or another kind, does nothing.
    void ConnectSource(int kind, KScnTakeNodeContainer* object);
    // From the first object of "SourceObject"; eSourceNone when there is no
    // recognised one.
    ESourceKind GetSourceKind();

    KScnControlSet* GetControlSet() const { return mControlSet; }
    KScnCharacterParameters* GetParameters() const { return mParameters; }
    KScnCharacterProperties* GetCharacterProperties() const { return mProperties; }

    // Empties the names, every slot (their nodes lose their records) and the
    // control set.
    void Reset();

    // Called by a node being destroyed: the slot named by the record no
    // longer refers to it (no node records are touched).
    void ForgetNode(KScnNode* node, int type, int index, int subIndex);

    // ---- Link groups (out-of-range groups and rows give 0, -1, null or false) ----
    static int GetLinkGroupSize(int group);
    static int GetLinkGroupNodeId(int group, int row);
    static const char* GetLinkGroupName(int group, int row);
    // The file section of the group ("BASE", ...); null out of range.
    static const char* GetLinkGroupSection(int group);
    // 4000, or 4500 for the rows added later; 0 out of range.
    static int GetLinkGroupVersion(int group, int row);
    // The first row whose name equals name exactly, in groups 0..11 or, when
    // limited, 0..group; writes group and row.
    static bool FindLinkGroupEntry(const char* name, bool limited, int& group, int& row);
    static bool FindLinkGroupOfNodeId(int id, int& group, int& row);
    // The slot's name ("Reference" for id 67); false for ids without one.
    static bool GetLinkName(int id, const char*& name);

private:
    friend class KScnCharacterProperties;
    KScnCharacterNodeLink& Slot(int id) { return mLinks[id]; }

    KErrorRecord mCharacterError;
    KScnCharacterNodeLink mLinks[kNodeCount];
    KScnControlSet* mControlSet = nullptr;
    KScnCharacterParameters* mParameters = nullptr;
    KScnCharacterProperties* mProperties = nullptr;
};

} // namespace scenesdk
