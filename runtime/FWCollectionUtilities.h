// List helpers: append an object unless an equal one is already there.
//
// Equality is the element's own: values compare with ==; shared references compare the
// objects they point to when those objects define ==, and their identity otherwise. A
// missing object (null reference, empty optional) is never added. Header-only templates;
// thread safety is the caller's list's.
#pragma once

#include <concepts>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

namespace fw_detail {

template <class T>
bool isMissing(const T&) {
  return false;
}
template <class T>
bool isMissing(const std::shared_ptr<T>& object) {
  return !object;
}
template <class T>
bool isMissing(const std::optional<T>& object) {
  return !object;
}
template <class T>
bool isMissing(T* object) {
  return !object;
}

template <class T>
bool isEqualObject(const T& a, const T& b) {
  return a == b;
}
template <class T>
bool isEqualObject(const std::shared_ptr<T>& a, const std::shared_ptr<T>& b) {
  if (a == b) return true;
  if (!a || !b) return false;
  if constexpr (std::equality_comparable<T>)
    return *a == *b;
  else
    return false;
}

}  // namespace fw_detail

// Appends `object` unless it is missing or an equal object is in the list; answers whether
// it was appended.
template <class T>
bool addUniqueObject(std::vector<T>& list, const std::type_identity_t<T>& object) {
  if (fw_detail::isMissing(object)) return false;
  for (const auto& existing : list)
    if (fw_detail::isEqualObject(existing, object)) return false;
  list.push_back(object);
  return true;
}

// addUniqueObject for each element of `array` in order; nothing for a missing array.
template <class T>
void addUniqueObjectsFromArray(std::vector<T>& list, const std::type_identity_t<std::vector<T>>* array) {
  if (!array) return;
  for (const auto& object : *array) addUniqueObject(list, object);
}
template <class T>
void addUniqueObjectsFromArray(std::vector<T>& list, const std::type_identity_t<std::vector<T>>& array) {
  addUniqueObjectsFromArray(list, &array);
}
