#include "scenesdk/attributes/KScnOpticalReference.h"

namespace scenesdk
{

KScnOpticalReference::KScnOpticalReference(KScnSdkManager* /*manager*/) {}

KStringList KScnOpticalReference::GetTypeNames() const
{
    KStringList out;
    out.Add("Marker");
    return out;
}

} // namespace scenesdk
