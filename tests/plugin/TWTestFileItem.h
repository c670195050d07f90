// TWTestFileItem: one file of the test plug-in's folder as a display item.
//
// The key is the file name; the version follows the file's content, size and modification
// date, so an edited file is re-sent and an untouched one is not. Immutable once built.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/FWDisplayObject.h"

class TWTestFileItem : public FWDisplayObject {
 public:
  TWTestFileItem(std::string name, int32_t version, uint64_t size, Date modified)
      : FWDisplayObject(name, version), name_(std::move(name)), size_(size), modified_(modified) {}

  const std::string& name() const { return name_; }
  uint64_t size() const { return size_; }
  Date modified() const { return modified_; }

  PlistValue fields() const override;
  std::string description() const override;

 private:
  std::string name_;
  uint64_t size_;
  Date modified_;
};
