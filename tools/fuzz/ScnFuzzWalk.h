#pragma once

// Shared by the fuzz targets: open the bytes through KScn and read every
// field and value of the parsed file with each of the value accessors.

#include "scenesdk/fileio/KScn.h"

#include <cstdint>
#include <vector>

inline void ScnFuzzWalk(scenesdk::KScn& scn, const scenesdk::KScnTree& tree, uint32_t block)
{
    using scenesdk::KScnTree;
    for (uint32_t f = tree.Block(block).firstField; f != KScnTree::kNone; f = tree.Field(f).next)
    {
        if (!scn.OpenField(tree.Name(tree.Field(f))))
        {
            continue;
        }
        for (int i = 0; scn.RemainingValueCount() > 0 && i < 256; ++i)
        {
            (void)scn.PeekValueType();
            switch (i % 6)
            {
            case 0:
                (void)scn.NextValueAsChar();
                break;
            case 1:
                (void)scn.NextValueAsDouble();
                break;
            case 2:
                (void)scn.NextValueAsString();
                break;
            case 3:
                (void)scn.NextValueAsTime();
                break;
            case 4:
                (void)scn.NextValueAsInt();
                break;
            default:
                (void)scn.NextValueAsLong();
                break;
            }
        }
        const uint32_t sub = tree.Field(f).subBlock;
        if (scn.EnterFieldBlock())
        {
            ScnFuzzWalk(scn, tree, sub);
            scn.LeaveFieldBlock();
        }
        scn.CloseField();
    }
}

// The same in file order, through OpenNextField.
inline void ScnFuzzWalkInOrder(scenesdk::KScn& scn, int depth)
{
    while (scn.OpenNextField())
    {
        (void)scn.GetFieldName();
        while (scn.RemainingValueCount() > 0)
        {
            (void)scn.NextValueAsString();
        }
        if (depth < 300 && scn.EnterFieldBlock())
        {
            ScnFuzzWalkInOrder(scn, depth + 1);
            scn.LeaveFieldBlock();
        }
    }
}

inline void ScnFuzzParseAndWalk(std::vector<char>&& bytes)
{
    scenesdk::KScn scn;
    if (!scn.OpenBytes(std::move(bytes)))
    {
        return;
    }
    ScnFuzzWalk(scn, scn.GetTree(), scn.GetTree().Root());
    (void)scn.ReadIntField("Missing", 0);
    scn.Rewind();
    ScnFuzzWalkInOrder(scn, 0);
}
