#pragma once

// Internal to the scene reader (KScnReaderScn): the parts of a document that
// hang on the scene as a whole or on its models once they are made: the
// global time, camera and light settings, the skin and cluster deformers, and
// the character poses with their private scenes. See the scene file format
// notes, section 7.9.
//
// Like the rest of the document they are read into plain records and checked
// before any object is made (ReadSceneParts); BuildSceneParts makes them
// once the file's models exist.

#include "scenesdk/animation/KTime.h"
#include "scenesdk/fileio/KScnReaderScnParts.h"

#include <map>
#include <string>
#include <vector>

namespace scenesdk
{

class KScn;
class KScnNode;
class KScnSceneRoot;
class KScnSdkManager;
class KScnTakeNodeContainer;

namespace scnread
{

// ---- Global settings ----

struct STimeMarker
{
    std::string name;
    KTime time;
    bool loop = false;
};

struct SProducer
{
    int which = -1; // KScnSceneCameraSettings::EProducer
    // Position, up vector and look-at point: x, y, z each, as far as the
    // file gives them.
    std::vector<double> vectors[3];
    bool given[3] = {false, false, false};
    std::vector<SValues> properties;
};

// The sections of GlobalSettings, as SGlobalSettings::fields indexes them.
enum ESettingsSection
{
    eTimeSection = 0,
    eCameraSection,
    eLightSection,
    eSectionCount
};

struct SGlobalSettings
{
    // The plain settings of each section, in file order.
    std::vector<SValues> fields[eSectionCount];
    // The lists; a list the file gives replaces the scene's.
    bool hasMarkers = false, hasPlanes = false;
    std::vector<STimeMarker> markers;
    std::vector<std::vector<double>> planes;
    std::vector<SProducer> producers;
    int skipped = 0; // unknown fields, producer names that are none
};

// ---- Deformers ----

struct SDeformer
{
    std::string name;
    std::string type; // the second value: "Skin" or "Cluster" when given
    bool cluster = false;
    std::vector<std::string> clusters; // a skin's SubDeformers
    std::string model, modelReference; // a cluster's link node and associate model
    std::vector<SValues> properties;
    std::string userDataId, userData;
    std::vector<int> indices;
    std::vector<double> weights;
    // Transform, TransformLink, AssociateModel, TransformParent: 16 numbers
    // each, empty when absent.
    std::vector<double> matrices[4];
    bool multiLayer = false;
    double accuracy = 50.0;
    int mode = 0;
};

// ---- Character poses ----

struct SPoseNode
{
    std::string name;
    std::vector<SValues> properties;
    std::vector<std::string> children;
};

struct SCharacterPose
{
    std::string name;
    std::vector<SPoseNode> nodes;
    // Positions in nodes of the parents, in the order they take their
    // children (deepest first).
    std::vector<size_t> parentsDeepestFirst;
    bool hasCharacter = false;
    SCharacter character;
    int skipped = 0;
};

// ---- The parts together ----

struct SSceneParts
{
    SGlobalSettings settings;
    std::vector<SDeformer> skins, clusters;
    // Per Model of the file that names deformers: its name and the skins.
    std::vector<std::pair<std::string, std::vector<std::string>>> modelDeformers;
    std::vector<SCharacterPose> poses;
    int skipped = 0; // deformers of another type, second values of pose models
};

// The object kinds of Objects that these parts read.
bool IsScenePartKind(const char* fieldName);

// Reads GlobalSettings, and from Objects the deformers, the character poses
// and the Deformers of each Model, and checks them. False with error set
// when the file is to be refused; the file is rewound either way.
bool ReadSceneParts(KScn& f, SSceneParts& parts, std::string& error);

// The objects made, by the names the file gives them: skins and clusters,
// for the takes.
struct SMadeParts
{
    std::map<std::string, KScnTakeNodeContainer*> skins, clusters;
};

// Makes the deformers (connected to their models and to each other, then
// bound into links on the geometries), the character poses and applies the
// settings. Everything it cannot resolve or a setter refuses is counted.
void BuildSceneParts(KScnSdkManager* manager, KScnSceneRoot& scene, const SSceneParts& parts,
                     const std::map<std::string, KScnNode*>& nodes, SMadeParts& made, int& skipped);

// ---- Pieces (one file each) ----

// The first GlobalSettings field of the root, when there is one. False with
// error set for a producer camera given twice.
bool ReadGlobalSettings(KScn& f, SGlobalSettings& s, std::string& error);
// Applies the settings the file gives; the scene's nodes are made (the
// default camera may name one).
void ApplyGlobalSettings(KScnSceneRoot& scene, const SGlobalSettings& s, int& skipped);

// The current Deformer or SubDeformer field. False with error set for a
// matrix that is not 16 numbers.
bool ReadDeformer(KScn& f, SDeformer& d, std::string& error);
// Counts and ranges: indices and weights agree, no index below 0 or past
// the control points of a mesh a skin of the cluster deforms (pointCounts:
// the file's mesh models and their control point counts).
bool CheckDeformers(const SSceneParts& parts, const std::map<std::string, size_t>& pointCounts,
                    std::string& error);
void BuildDeformers(KScnSdkManager* manager, KScnSceneRoot& scene, const SSceneParts& parts,
                    const std::map<std::string, KScnNode*>& nodes, SMadeParts& made, int& skipped);

// The current CharacterPose field; false with error set for a model given
// twice, a child given twice or a cycle, or what the character refuses.
bool ReadCharacterPose(KScn& f, SCharacterPose& pose, std::string& error);
void BuildCharacterPose(KScnSdkManager* manager, KScnSceneRoot& scene, const SCharacterPose& pose,
                        int& skipped);

// Models nest at most this deep (a model without a parent is at depth 1).
constexpr long kMaxModelDepth = 1000;

// Orders a hierarchy given as children by name: false with error set when a
// name is the child of two parents or of itself, the children make a
// cycle or nest deeper than kMaxModelDepth. Children the names do not hold
// are counted. Fills the parents in
// the order they take their children: deepest first, so that no parent has
// a parent of its own yet when it takes them.
bool OrderHierarchy(const std::vector<std::string>& names,
                    const std::vector<const std::vector<std::string>*>& children,
                    std::vector<size_t>& deepestFirst, int& skipped, std::string& error);

} // namespace scnread
} // namespace scenesdk
