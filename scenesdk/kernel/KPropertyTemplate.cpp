#include "scenesdk/kernel/KPropertyTemplate.h"

namespace scenesdk
{

KProperty* KProperty::NewForTypeCode(int code, bool forClone)
{
    KProperty* p = nullptr;
    switch (code)
    {
    case eKPropInt:
    case eKPropEnum:
        p = new KPropertyTemplate<int>;
        break;
    case eKPropBool:
    case eKPropAction:
        p = new KPropertyTemplate<bool>;
        break;
    case eKPropDouble:
        p = new KPropertyTemplate<double>;
        break;
    case eKPropCharPtr:
        // Clones of text properties hold their own copy of the text.
        p = forClone ? new KPropertyTemplate<KString> : nullptr;
        break;
    case eKPropString:
        p = new KPropertyTemplate<KString>;
        break;
    case eKPropObject:
        p = new KPropertyTemplate<KObject*>;
        break;
    case eKPropReference:
        p = new KPropertyTemplate<KProperty*>;
        break;
    default:
        p = NewValueProperty(code);
        break;
    }
    if (p)
    {
        p->SetTypeCode(code);
    }
    return p;
}

} // namespace scenesdk

namespace scenesdk
{

KProperty* KProperty::NewValueProperty(int code)
{
    switch (code)
    {
    case eKPropTime:
        return new KPropertyTemplate<KTime>;
    case eKPropVector3D:
        return new KPropertyTemplate<KgeTVector>;
    case eKPropColorRGB:
        return new KPropertyTemplate<KgeRGBVector>;
    case eKPropColorRGBA:
        return new KPropertyTemplate<KgeRGBAVector>;
    default:
        return nullptr;
    }
}

} // namespace scenesdk
