// FWMapViewSettings: where the map page keeps the map type last chosen — the plug-in's
// status record, through its mapViewType (0 standard, 1 satellite, 2 hybrid). forStatus
// adapts any status record that has mapViewType() and setMapViewType(); the adapter holds
// the record for as long as the page lives. Main thread, like the page.
#pragma once

#include <cstdint>
#include <memory>

class FWMapViewSettings {
 public:
  virtual ~FWMapViewSettings() = default;
  virtual int32_t mapViewType() const = 0;
  virtual void setMapViewType(int32_t type) = 0;

  template <class Status>
  static std::shared_ptr<FWMapViewSettings> forStatus(std::shared_ptr<Status> status);
};

template <class Status>
std::shared_ptr<FWMapViewSettings> FWMapViewSettings::forStatus(std::shared_ptr<Status> status) {
  class Adapter : public FWMapViewSettings {
   public:
    explicit Adapter(std::shared_ptr<Status> held) : status_(std::move(held)) {}
    int32_t mapViewType() const override { return status_->mapViewType(); }
    void setMapViewType(int32_t type) override { status_->setMapViewType(type); }

   private:
    std::shared_ptr<Status> status_;
  };
  if (!status) return nullptr;
  return std::make_shared<Adapter>(std::move(status));
}
