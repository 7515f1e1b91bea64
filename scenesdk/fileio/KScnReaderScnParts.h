#pragma once

// Internal to the scene reader (KScnReaderScn): the document parts read
// besides models, materials and textures (scene information, characters,
// time warps) and the property helpers all parts share. See the scene file
// format notes, sections 7.3, 7.9 and 7.10.

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace scenesdk
{

class KFCurveNode;
class KObject;
class KScn;
class KScnCharacter;
class KScnNode;
class KScnSceneMetaData;
class KScnSceneRoot;
class KScnTakeNodeContainer;

namespace scnread
{

// One field of a Properties (or Parameters) block: its name, its values as
// numbers and its first value as a text.
struct SValues
{
    std::string name;
    std::vector<double> numbers;
    std::string text;
};

std::vector<double> Numbers(KScn& f);
// The current field's Properties-style block, fields in file order.
std::vector<SValues> ReadProperties(KScn& f);
// Sets the set's property of that name from the values through its setter;
// false when there is no such property or the values do not fit it.
bool SetByName(KObject* set, const SValues& p);

// ---- Scene information ----

// Reads the root's SceneInfo field into out; false when the file has none.
// A thumbnail that does not match its size and format is dropped and
// counted in skipped.
bool ReadSceneInfo(KScn& f, KScnSceneMetaData& out, int& skipped);

// ---- Characters ----

// One character node slot as the file gives it.
struct SSlot
{
    int id = -1;
    std::string model;
    // Offsets T, R, S and parent R; rotation minimum, maximum, pre- and
    // post-rotation: x, y, z each, empty when absent.
    std::vector<double> vectors[8];
    std::vector<double> minEnable, maxEnable;
    bool rotationSpace = false;
    int rotationOrder = 0;
    double axisLength = 1.0;
};

// One effector of a control set: its main node, the switches the file
// gives (-1 where it gives none) and its auxiliary nodes 1, 2, ...
struct SEffector
{
    int id = -1;
    std::string model;
    int switches[5] = {-1, -1, -1, -1, -1}; // show, T, R, candidate T, candidate R
    std::vector<std::string> aux;
};

struct SControlSet
{
    bool present = false;
    int type = 0;
    bool useAxis = true;
    bool lockTransform = false;
    bool lockPick = false;
    std::vector<std::pair<int, std::string>> links; // node id, model
    std::vector<SEffector> effectors;
};

struct SCharacter
{
    std::string name;
    std::vector<SValues> properties;
    std::vector<SValues> parameters;
    std::vector<SSlot> slots;
    SControlSet controlSet;
    // The Source field: "Character" or "ControlSetPlug", and the name of a
    // character of the file or of its control-set plug ("<name>_Ctrl").
    std::string sourceKind, sourceName;
    int skipped = 0; // unknown sections, slot, link and effector names, extra auxiliary nodes
};

// Reads the current Character field; false with error set for a slot, a
// control-set link or an effector given twice.
bool ReadCharacter(KScn& f, SCharacter& c, std::string& error);
// The objects made from the file's characters: the characters and their
// control-set plugs, by the names the file uses for them.
struct SMadeCharacters
{
    std::map<std::string, KScnTakeNodeContainer*> characters;
    std::map<std::string, KScnTakeNodeContainer*> plugs;
};

// Creates the character in the scene: parameters, then the properties
// through their setters, then the slots (each node's property set goes into
// the slot's link list), then the control set, which is also copied into a
// new control-set plug named after the character with "_Ctrl" appended.
// Models the file does not define are counted. Records what it made.
KScnCharacter* BuildCharacter(KScnSceneRoot& scene, const SCharacter& c,
                              const std::map<std::string, KScnNode*>& nodes, SMadeCharacters& made, int& skipped);
// The same for a character that exists (a character pose's): everything
// but its creation and its record in made.characters.
void FillCharacter(KScnSceneRoot& scene, KScnCharacter* character, const SCharacter& c,
                   const std::map<std::string, KScnNode*>& nodes, SMadeCharacters& made, int& skipped);
// Ties the character made from c to its Source, once every character is
// made; a source the file did not make, or the character itself, is counted.
void ConnectCharacterSource(const SCharacter& c, const SMadeCharacters& made, int& skipped);

// ---- Time warps ----

// False with error set when a take of the file gives one time-warp id twice.
bool CheckTimeWarpIds(KScn& f, std::string& error);

// The time warps of one take: read from the current Take block's TimeWarps
// field (when there is one), held by reference, and made the current
// time-warp set for as long as the scope lives. The set is reset (and the
// references dropped) when the scope ends, on every path.
class KScnTimeWarpScope
{
public:
    explicit KScnTimeWarpScope(KScn& f);
    ~KScnTimeWarpScope();
    KScnTimeWarpScope(const KScnTimeWarpScope&) = delete;
    KScnTimeWarpScope& operator=(const KScnTimeWarpScope&) = delete;

    int GetCount() const { return static_cast<int>(mWarps.size()); }

private:
    struct Impl;
    std::map<int, KFCurveNode*> mWarps;
    std::unique_ptr<Impl> mImpl;
};

} // namespace scnread
} // namespace scenesdk
