#pragma once

// KScnFree<T>: a scene object made outside any manager, which its maker
// owns and deletes itself (on the stack, with new and delete, in a
// std::unique_ptr).
//
// The destructors of the scene object classes (scenes, nodes, node
// attributes, materials, textures, videos, poses, generic nodes, deformers,
// constraints, characters, links, user-property handles, importers and
// exporters) are protected: what a KScnSdkManager made, it alone destroys
// (its Destroy... operations, or its own teardown), so `delete` on such an
// object does not compile. An object that no manager lists is made as a
// KScnFree<T> instead; it is a T in every other respect, and a T* to it may
// be handed wherever a T* goes, but it must never be given to a manager's
// destroyer (the manager does not list it and refuses it anyway).

#include <utility>

namespace scenesdk
{

template <class T> class KScnFree final : public T
{
public:
    using T::T;
};

} // namespace scenesdk
