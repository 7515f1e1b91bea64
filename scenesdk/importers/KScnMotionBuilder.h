#pragma once

// KScnMotionBuilder: what the motion-capture readers (BVH, HTR, TRC, ASF,
// AMC, AOA, MOV, C3D) share when they build skeletons, markers and one take
// of motion through a KScnImportBuilder.
//
// Nodes: AddSkeletonNode makes a node with a skeleton attribute (Root
// without a parent, LimbNode below one), AddMarkerNode one with a marker
// attribute (kind Marker). Names are unique within the read: a repeated
// name gets "_2", "_3" ... (KScnUniqueNames); an empty one a fallback.
//
// Take and clock: the constructor asks the builder for the take (every node
// read gets it at Commit). SetFrameRate checks a rate (finite, above 0, at
// most kMaxFrameRate; the motion reaching at most kMaxSeconds from time 0)
// and takes a standard rate (30, 29.97, 120 ...) instead when within 0.1 %,
// whose frames then fall on whole ticks. Frame f is at f / rate seconds
// (GetFrameTime). KeyFrames appends linear keys to one component of a
// node's translation, rotation or scaling in the take (KeyCurve to any
// curve), at the frames first, first + 1 ... of SetFrameRate or at the
// frames listed (a reader leaves out the frames whose sample is missing);
// frames outside those SetFrameRate was given are refused, so set the rate
// first.
//
// Rotations: the scene turns a point, for the order "XYZ", about X first,
// then Y, then Z (row vectors: v' = v Rx Ry Rz), angles in degrees.
// SetRotationOrder keeps a file's Euler order on the node (its
// "RotationOrder" property and pivot set 0) and switches the node's
// rotation on, without which the node evaluates XYZ; SetPreRotation does the
// same for a fixed rotation applied after the animated one (a rest
// rotation). The static helpers build and take apart rotations given as a
// sequence of turns about axes (0 x, 1 y, 2 z), the first applied first, for
// files whose rotations are no single Euler order or must be combined.
//
// Axes: MapAxis gives the scene axis and sign of a file axis under the
// options' axis conversion, so rotation channels follow the positions (a
// turn by a about file axis i is a turn by sign x a about scene axis j).
//
// Lengths: FileUnitLength turns a file's unit name into scene units.
//
// Curve filters: once every key is in, the reader calls FilterCurves, which
// runs the global rotation filter (GetRotationFilterMode: the unroll filter
// by default, else the gimbal filter) on the three rotation curves of each
// node whose rotation was keyed, in the node's rotation order, so that each
// key's angles are the equivalent angles nearest the previous key's (the
// first key's nearest 0); then, while GetApplyConstantKeyReducer says so,
// the constant key reducer over every curve keyed (and those rotation
// curves), which drops flat runs of keys (a curve flat from end to end
// keeps no key and takes its value as default).
//
// Failures: node makers return null when the manager fails; KeyFrames
// false when the curve cannot be had, a frame lies outside SetFrameRate's
// or does not follow the one before or the curve's last key (nothing keyed
// then), or memory runs out. Everything made stays the builder's (destroyed
// if the read fails).

#include "scenesdk/animation/KTime.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KScnUniqueNames.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace scenesdk
{

class KFCurve;
class KScnImportBuilder;
class KScnNode;
class KStreamOptionsForeign;

class KScnMotionBuilder
{
public:
    static constexpr double kMaxFrameRate = 1.0e6;
    static constexpr double kMaxSeconds = 1.0e8;

    // take: the take's name ("" for "Take 001"); null for no take (a
    // skeleton at rest, nothing keyed).
    KScnMotionBuilder(KScnImportBuilder& builder, const char* take);

    KScnImportBuilder& GetBuilder() const { return mBuilder; }
    const std::string& GetTakeName() const { return mTake; }

    // False with why set for a rate out of range, a last frame before the
    // first, or a frame lying past kMaxSeconds from time 0.
    bool SetFrameRate(double rate, int64_t firstFrame, int64_t lastFrame, std::string& why);
    double GetFrameRate() const { return mRate; }
    KTime GetFrameTime(int64_t frame) const;

    KScnNode* AddSkeletonNode(const std::string& name, KScnNode* parent);
    // optical: a marker of kind optical (a capture system's), else Marker.
    KScnNode* AddMarkerNode(const std::string& name, KScnNode* parent, bool optical = false);
    // The name AddSkeletonNode or AddMarkerNode gave the last node made.
    const std::string& GetLastName() const { return mLastName; }

    // count keys: value values[i * stride] at frame frames[i] (or first + i
    // when frames is null). Frames must increase and lie within the frames
    // given to SetFrameRate. Values past a float's range are held at its end.
    bool KeyFrames(KScnNode* node, KScnTakeKeys::EChannel channel, int component, const double* values,
                   size_t count, size_t stride, const int64_t* frames = nullptr);
    bool KeyCurve(KFCurve* curve, const double* values, size_t count, size_t stride,
                  const int64_t* frames = nullptr);
    // The filters over the curves keyed (see above), each curve once.
    void FilterCurves();

    // The node's rotation set-up goes through its limits adapter
    // (KScnNodeLimitsHelper), the node property of the same name alongside.
    // order: an ERotationOrder of the Euler kind (XYZ .. ZYX); an order other
    // than XYZ turns the rotation on (TurnRotationOn).
    static void SetRotationOrder(KScnNode* node, int order);
    // angles: x, y, z in degrees, built with the XYZ order; turns the
    // rotation on.
    static void SetPreRotation(KScnNode* node, const double* angles);
    // Rotation active (the adapter's rotation flag), the node's order and
    // pre-rotation turning the node itself: the adapter's step that makes
    // them a space for the limits only is taken back, since a motion file's
    // orders and bone axes are those of the rotation.
    static void TurnRotationOn(KScnNode* node);

    // The scene order whose turns follow this sequence, axes missing from it
    // placed last (their angle being 0); -1 when an axis repeats or lies
    // outside 0..2.
    static int OrderOfSequence(const int* axes, int count);
    // 3x3 part of m (the rest identity): angles[i] degrees about axes[i], the
    // first turn applied first.
    static void MatrixOfSequence(double* m, const int* axes, const double* angles, int count);
    // Angles (x, y, z slots) in order that give m's 3x3 part; with previous
    // (x, y, z), the equivalent angles nearest it (whole turns, or the
    // flipped triple: KFCurveNode::ClosestEuler), so that curves stay
    // continuous.
    static void AnglesOfMatrix(double* xyz, const double* m, int order, const double* previous);
    static void MapAxis(const KStreamOptionsForeign& options, int axis, int& sceneAxis, double& sign);
    // Metres per unit of a length unit's name, in any letter case: "mm",
    // "cm", "dm", "m", "km", "in", "ft" and their spelled-out forms
    // ("millimeters", "metre", "inches", "feet" ...). False for another.
    static bool UnitInMetres(std::string_view unit, double& metres);
    // Scene units per unit of a file: the metres of the unit named over
    // sceneUnit (metres per scene unit). For a name not known, false and
    // length unitScale (the caller's choice for files of unknown units).
    static bool FileUnitLength(std::string_view unit, double sceneUnit, double unitScale, double& length);

private:
    KScnNode* AddNode(const std::string& name, KScnNode* parent, const char* fallback);

    KScnImportBuilder& mBuilder;
    std::string mTake;
    double mRate = 30.0;
    int64_t mTicksPerFrame = 0; // whole ticks per frame of a standard rate, else 0
    int64_t mFirstFrame = 0;
    int64_t mLastFrame = 0;
    KScnUniqueNames mNames;
    std::string mLastName;
    // What FilterCurves works on, in the order first keyed.
    std::vector<KFCurve*> mKeyed;
    std::unordered_set<const KFCurve*> mKeyedSet;
    std::vector<KScnNode*> mRotated;
    std::unordered_set<const KScnNode*> mRotatedSet;
};

} // namespace scenesdk
