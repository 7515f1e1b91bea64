#pragma once

// KScnMergeNames: the names a scene file read gives its objects when it is
// merged into a scene that holds objects already. Made before the read, it
// remembers the current names of the scene's nodes (its root aside),
// materials and textures; the reader then passes each node,
// material and texture it makes through Rename, which gives a name one of
// those objects (or an object made earlier in the read) has a running
// number, as KNumberRenamingStrategy does: a second "Box" becomes "Box1".
// Names within one file are distinct, so a read into a scene that holds
// nothing but its root renames nothing.
//
// The reader keeps its own look-ups by the names the file gives, so the
// renaming changes nothing but the objects' current names.

#include "scenesdk/kernel/KRenamingStrategy.h"

namespace scenesdk
{

class KScnObject;
class KScnSceneRoot;

class KScnMergeNames
{
public:
    explicit KScnMergeNames(KScnSceneRoot& scene);

    // Passes a new object through the strategy; true when its current name
    // was changed. Null is ignored.
    bool Rename(KScnObject* object);

private:
    // Records a name without touching its object.
    void Remember(const char* name);

    KNumberRenamingStrategy mStrategy;
};

} // namespace scenesdk
