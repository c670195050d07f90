// Shared ownership aliases used across the platform and the plug-ins.
//
// Objects handed between modules are reference counted: a holder keeps a Ref<T>; a
// back-pointer that must not keep its target alive is a WeakRef<T>.
#pragma once

#include <memory>

namespace kestrel {

template <class T>
using Ref = std::shared_ptr<T>;

template <class T>
using WeakRef = std::weak_ptr<T>;

}  // namespace kestrel
