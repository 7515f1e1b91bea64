#pragma once

// The pair of names every scene object keeps: the initial name, as given at
// creation or by SetNames, without a kind prefix; and the current name, which
// carries the kind prefix (such as "Model::") and is what renaming changes.
// Scene objects hold one of these (see KScnObject).

#include "scenesdk/kernel/KString.h"

namespace scenesdk
{

class KScnNamePair
{
public:
    KScnNamePair() = default;
    explicit KScnNamePair(const char* text) { InitNamePair(text); }

    // Sets both names to text (null reads as "").
    void InitNamePair(const char* text) { SetNames(text); }
    // Empties both names.
    void FreeNamePair();
    // Sets both names to text.
    void SetNames(const char* text);

    const char* GetCurrentName() const { return mName.Buffer(); }
    // Changes only the current name.
    void SetCurrentName(const char* text);
    const char* GetInitialName() const { return mInitialName.Buffer(); }

private:
    KString mInitialName;
    KString mName;
};

} // namespace scenesdk
