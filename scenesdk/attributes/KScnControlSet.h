#pragma once

// KScnControlSet: the rig a character is driven by: a forward-kinematics
// slot per character node id (0..190), 44 effectors (hips, ankles, wrists,
// knees, fingers, ...) each with a main node and 14 auxiliary nodes, and a
// few switches. Owned by its character (the owner), which every node link
// names.
//
// Every node placed here gets a character-link record on the node and loses
// it when it leaves: type 1 for a slot (index = node id), type 2 for an
// effector's main node (index = effector id), type 3 for an auxiliary node
// (index = effector id, sub-index = auxiliary index - 1).
//
// Ids or auxiliary indices out of range make every set and get answer false
// and change nothing. Nodes are referred to, never owned.

#include "scenesdk/kernel/KString.h"

#include <cstdint>

namespace scenesdk
{

class KScnCharacter;
class KScnControlSetPlug;
class KScnNode;

// A forward-kinematics slot; set when it has a node or a name.
struct KScnControlSetLink
{
    KScnNode* node = nullptr;
    KString name;
};

// An effector; set when it has a main node.
struct KScnControlSetEffector
{
    KScnNode* node = nullptr;
    uint8_t show = 1;
    uint8_t tActive = 0;
    uint8_t rActive = 0;
    uint8_t candidateTActive = 0;
    uint8_t candidateRActive = 0;
};

class KScnControlSet
{
public:
    static constexpr int kLinkCount = 191;
    static constexpr int kEffectorCount = 44;
    static constexpr int kAuxCount = 14;

    // The control-set type, carried to and from the plug as an integer.
    enum EType : int
    {
        eTypeNone = 0
    };

    KScnControlSet();
    // Clear (the nodes lose their records).
    ~KScnControlSet();
    KScnControlSet(const KScnControlSet&) = delete;
    KScnControlSet& operator=(const KScnControlSet&) = delete;

    void SetOwner(KScnCharacter* owner) { mOwner = owner; }
    KScnCharacter* GetOwner() const { return mOwner; }

    // Type 0, locks off, every slot, effector and auxiliary node emptied (the
    // nodes lose their records), default switches; useAxis is kept.
    void Clear();

    void SetType(EType type) { mType = type; }
    EType GetType() const { return mType; }
    void SetUseAxis(bool on) { mUseAxis = on; }
    bool GetUseAxis() const { return mUseAxis; }
    void SetLockTransform(bool on) { mLockTransform = on; }
    bool GetLockTransform() const { return mLockTransform; }
    void SetLockPick(bool on) { mLockPick = on; }
    bool GetLockPick() const { return mLockPick; }

    // A record with neither node nor name empties the slot.
    bool SetControlSetLink(int id, const KScnControlSetLink& record);
    // False when out of range or the slot is not set; out may be null.
    bool GetControlSetLink(int id, KScnControlSetLink* out) const;
    // A record without node resets the effector.
    bool SetEffector(int id, KScnControlSetEffector record);
    // False when out of range or the effector is not set; out may be null.
    bool GetEffector(int id, KScnControlSetEffector* out) const;
    // aux is 1..14; node may be null.
    bool SetEffectorAux(int id, KScnNode* node, int aux);
    // False when out of range or no node is there.
    bool GetEffectorAux(int id, KScnNode** out, int aux) const;

    // "HipsEffector" ... "RightFootExtraFingerEffector"; null outside 0..43.
    static const char* GetEffectorName(int id);
    // Exact, case-sensitive; -1 when no effector has the name.
    static int FindEffectorId(const char* name);

    // Takes type and useAxis from the plug, clears, then places the plug's
    // nodes (list entries that are property sets of nodes; anything else is
    // skipped). Switches and locks are not carried.
    void CopyFromPlug(KScnControlSetPlug* plug);
    // Writes type, useAxis and every slot's, effector's and auxiliary node's
    // property set into the plug's lists (each list emptied first).
    void CopyToPlug(KScnControlSetPlug* plug) const;

    // Called by a node being destroyed: the place named by its record (type
    // 1, 2 or 3) no longer refers to it; no node records are touched.
    void ForgetNode(KScnNode* node, int type, int index, int subIndex);

private:
    void Relink(KScnNode* from, KScnNode* to, int type, int index, int subIndex);
    void SetDefaultSwitches();

    KScnCharacter* mOwner = nullptr;
    EType mType = eTypeNone;
    bool mUseAxis = true;
    bool mLockTransform = false;
    bool mLockPick = false;
    KScnControlSetLink mLinks[kLinkCount];
    KScnControlSetEffector mEffectors[kEffectorCount];
    KScnNode* mAux[kEffectorCount][kAuxCount] = {};
};

} // namespace scenesdk
