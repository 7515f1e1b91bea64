#pragma once

// KScnAcclaimSceneBuilder: an Acclaim skeleton (and its motion) onto a scene,
// through the import builder.
//
// Nodes: a root node named after the skeleton (":name", else "root") with a
// KScnSkeleton of kind Root, one node per bone (kind LimbNode) under its
// parent, and under each leaf bone an end node "<bone>_end" at the bone's
// end, so the last bone of a chain shows its length (KScnMotionBuilder
// makes them, a name already given getting "_2").
//
// Rest frames: a bone's frame C (its "axis" rotations) sits on its node as a
// pre-rotation relative to the parent's frame (C_parent^-1 C), its start
// (the parent's end, direction x length in world axes) as the node's
// translation in the parent's frame; the root's pre-rotation is its
// orientation and its translation its position. Each node's rotation order
// is the order of its rotation dofs (the root's "order"), so the motion's
// Euler angles are keyed as written, and rotation is made active on it so
// the order and pre-rotation apply. Lengths are divided by the skeleton's
// units length and multiplied by the unit scale; an axis conversion turns
// the root.
//
// Motion: one take; per bone one rotation curve per rotation dof and, for
// bones with translation dofs (and the root), X, Y and Z translation curves
// holding the rest offset plus the dofs turned into the parent's frame. A
// key per sample at (frame - first frame) / rate seconds, linear (the rate
// as KScnMotionBuilder::SetFrameRate takes it); a bone missing from a frame
// has no key there. Stretch dofs ("l") are not keyed. Frames reaching past
// KScnMotionBuilder::kMaxSeconds are refused.

#include <cstddef>
#include <string>

namespace scenesdk
{

class KScnImportBuilder;
class KStreamOptionsAcclaim;
struct KScnAcclaimMotion;
struct KScnAcclaimSkeleton;

class KScnAcclaimSceneBuilder
{
public:
    // The nodes Build makes of a skeleton (its root, its bones and an end
    // node per leaf bone): what the readers check against their budget.
    static size_t NodeCount(const KScnAcclaimSkeleton& skeleton);
    // Builds the skeleton, and the motion in a take of that name ("" for
    // "Take 001") when motion is given. False with why (the builder then holds a partial result that
    // its owner rolls back). warnings gets what was left out.
    static bool Build(KScnImportBuilder& builder, const KScnAcclaimSkeleton& skeleton,
                      const KScnAcclaimMotion* motion, const char* take, const KStreamOptionsAcclaim& options,
                      std::string& warnings, std::string& why);
};

} // namespace scenesdk
