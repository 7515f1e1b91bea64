#pragma once

// KScnDxfSceneBuilder: turns a parsed DXF drawing into nodes, meshes and
// materials through an import builder (see KScnReaderDxf for the mapping).
//
// Blocks are expanded: every INSERT gets its own node and its own copy of
// the block's geometry (an array INSERT one copy per cell, in one mesh).
// Before anything is made the expansion is measured: the blocks reached
// from model space must not insert themselves (directly or through others),
// must not nest deeper than kMaxDepth, and the whole scene must stay within
// the budget of the file's size (Budget): points plus polygon corners plus
// NodeCost per node (a node costs the time and memory of about a thousand
// points, and its name, which every node an INSERT makes copies from its
// block, one unit per kNameBytesPerUnit bytes). So the time and memory of a read are linear in the file's size
// whatever its arrays and nesting; the largest scene, kMaxBudget, takes
// about 1.5 GB (more when the options' mBudgetScale raises the budget).

#include <cstddef>
#include <cstdint>
#include <string>

namespace scenesdk
{

class KScnImportBuilder;
class KStreamOptionsDxf;
struct KScnDxfDrawing;

class KScnDxfSceneBuilder
{
public:
    static constexpr int kMaxDepth = 256;
    static constexpr uint64_t kNodeCost = 1000;
    static constexpr uint64_t kNameBytesPerUnit = 8;
    static constexpr uint64_t kBaseBudget = 2000000;
    static constexpr uint64_t kBudgetPerByte = 32;
    static constexpr uint64_t kMaxBudget = 32000000;

    // What a file of this size may expand to: kBaseBudget plus
    // kBudgetPerByte per byte, at most kMaxBudget, times scale (the read
    // options' mBudgetScale; see KScnReadBudget).
    static uint64_t Budget(size_t fileSize, double scale = 1.0);
    // What one node named name costs: kNodeCost and its name's bytes.
    static uint64_t NodeCost(const std::string& name);

    // False with why when the expansion is refused (nothing made) or a
    // mesh cannot be built (the builder's rollback then takes what was made).
    static bool Build(KScnImportBuilder& builder, const KScnDxfDrawing& drawing, size_t fileSize,
                      const KStreamOptionsDxf& options, std::string& why);
};

} // namespace scenesdk
