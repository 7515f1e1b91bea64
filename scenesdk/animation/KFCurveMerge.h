#pragma once

// The curve passes a file reader runs over each take's channel trees once
// they are read: time warps are baked into the curves they act on, animation
// layers are merged into the base curves by resampling, and the changed
// channels are then made continuous (the global rotation filter) and freed
// of flat runs of keys (the constant key reducer). Also the shared tests and
// key helpers the merge uses, and the combination of layer values.
//
// Layer values: a channel with k components travels as k doubles (a
// one-curve channel as one), an Euler layer as three angles in degrees, a
// quaternion layer as x, y, z, w. Every combination composes rotations the
// way channel evaluation does (the node's rotation order, the same product
// order), so a merged channel evaluates as its layer stack did.
//
// Outcome of the pass: Evaluate on every channel gives, at the resampled
// times, what it gave before (within the constant key reducer's tolerance);
// merged layers and baked warps are removed from the tree so that nothing is
// applied twice.

#include "scenesdk/animation/KTime.h"

#include <cstdint>
#include <vector>

namespace scenesdk
{

class KFCurve;
class KFCurveNode;

// Flag of MergeLayers: the merged curves replace those of the target layer
// (the base in the import pass) and the merged layers are removed.
constexpr int KFCURVE_MERGE_INTO_TARGET = 16;

// True when the tree (and, with includeLayers, its next layers) holds at
// least one key and every key's interpolation has a bit of mask.
bool HasOnlyInterpolation(const KFCurveNode& node, uint32_t mask, bool includeLayers);

// Number of values a layer of the node combines: 3 for Euler, 4 for
// quaternion layers, 1 for a node with its own curve, else one per child.
int GetLayerValueCount(const KFCurveNode& node);
// out = a combined with b by the node's layer type: 0 and 1 add, 3
// multiplies, 2 composes Euler rotations, 4 multiplies quaternions. out may
// alias a or b.
void CombineLayerValues(const KFCurveNode& layer, double* out, const double* a, const double* b);
// The inverse by the layer type: negation, reciprocal, inverse rotation,
// conjugate. out may alias in.
void InvertLayerValue(const KFCurveNode& layer, double* out, const double* in);

// Combines into acc (left to right, acc = acc combined with value) the
// values at t of layer and the layers after it. With a list (ascending layer
// ids, listCount entries) only the layers whose ids it names count; the walk
// starts at list entry k.
void EvaluateLayerStack(KFCurveNode* layer, double* acc, KTime t, const int* list, int listCount, int k);
// The value written for a channel at t: the base values, with the inverse of
// the layers below put in front and the inverse of the layers above put
// behind. previous (or null) is the prior sample of an Euler channel, which
// the result is made the closest equivalent of.
void EvaluateMergedValue(KFCurveNode& base, double* out, const double* baseValues, KTime t, const int* below,
                         int belowCount, const int* above, int aboveCount, const double* previous);

// Breaks the tangents of key i of c (user tangents with break, 0xC00) to
// the slopes of s over dt on each side when they differ from c's by more
// than tol (slopes per second).
void FitKeyTangentsToCurve(int i, KFCurve& c, KFCurve& s, KTime dt, double tol);
// The same over two parallel channel trees (nothing when the shapes differ
// or dt is not positive).
void FitTreeTangents(KFCurveNode* result, KFCurveNode* source, KTime dt, double tol);
// A key at t with value v on c (KFCurve::InsertKey); with adjust its
// tangents are fitted to s. Returns the key's index.
int InsertKeyWithValue(KTime t, double v, KFCurve& c, KFCurve& s, bool adjust, KTime dt, double tol);
// Cuts [t0, t1] into n parts (nothing when a part is shorter than 1/120 s)
// and, at each inner point where s and c differ by more than tol, keys s's
// value into c and refines the part just passed the same way.
void InsertKeysWhereDeviating(KTime t0, KTime t1, KFCurve* c, KFCurve* s, double tol, int n, bool adjust,
                              KTime dt, double tangentTolerance);

// One group of up to four curves walked together by key time.
struct KFCurveKeyGroup
{
    KFCurve* curves[4] = {nullptr, nullptr, nullptr, nullptr};
    int index[4] = {0, 0, 0, 0};
};
// The next key time after t over all groups (each curve's index advances
// past keys at or before t); infinity when none. components receives the
// indices (group * 4 + component) whose candidate is that time.
KTime NextKeyTimeOfGroups(KTime t, KFCurveKeyGroup* groups, int groupCount, std::vector<int>& components);

// Merges the node's layers into its base curves over [start, stop]:
// resampled at period plus every key time of the stack, or key by key when
// every key is constant-interpolated and no list is given. With
// KFCURVE_MERGE_INTO_TARGET the layers are removed afterwards. list and
// second (ascending ids) restrict which layers count; null for all. False
// when the node has no layers.
bool MergeLayers(KFCurveNode* node, const int* list, int listCount, const int* second, int secondCount,
                 int flags, KTime start, KTime stop, KTime period);

// The reader's pass over one take's root channel node (see the file comment).
void ApplyImportPass(KFCurveNode* root);

} // namespace scenesdk
