// FWApplication: the record of the companion application that one plug-in serves.
//
// It holds where the companion's files are (device paths, resolved under the device root
// when used), the plug-in's status object (`info`), a cache of named values shared by every
// module (`attributes`: the database connection and its kind, colours, context sets...), the
// host generation and the lock-screen state; and it runs the two checks of the refresh
// decision (verifyApplication, shouldUpdateForDate).
//
// Ownership: the controller owns its record (create it with std::make_shared); the record
// refers back to the controller and to its delegate weakly, so either may go first.
//
// Threads: every accessor is safe to call from any thread (the paths, delegate, attributes,
// info and controller are guarded). The record is also the lock of its private database
// copy: hold databaseLock() while the copy is refreshed, opened or dropped.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "runtime/FWApplicationDelegate.h"
#include "runtime/FWTypes.h"

class FWPlugin;

// The plug-in's status object kept as the record's `info` (the tasks and events status
// records derive from it).
class FWApplicationInfo {
 public:
  virtual ~FWApplicationInfo() = default;
  virtual std::string description() const { return "<FWApplicationInfo>"; }
};

// SpringBoard's lock controller as the record sees it: only "is the device locked?" is asked.
using FWAwayController = std::function<bool()>;

class FWApplication : public std::enable_shared_from_this<FWApplication> {
 public:
  // `datasourceType` of a record that has never been set up.
  static constexpr int32_t kDatasourceTypeNeverSetUp = std::numeric_limits<int32_t>::min();

  FWApplication();

  // Where new records find their lock controller: SpringBoard's shared SBAwayController
  // unless another source is installed (nullptr restores it). A source that answers none
  // leaves the record without one, and the device then counts as unlocked.
  static void setAwayControllerSource(std::function<FWAwayController()> source);
  // Drops the private copy of the companion database. The database module installs it at
  // plug-in start; until then verification has nothing to drop.
  static void setDropAlternateDatabaseFunction(std::function<void(FWApplication&)> drop);
  // How the database module tells contents of the companion's database apart: `source`
  // answers the state of the database now, `copy` the source state the private copy was
  // made from; equal texts mean equal content, none means unknown. Installed at plug-in
  // start; without it the refresh decision goes by file dates alone.
  struct DatabaseStateProbe {
    std::function<std::optional<std::string>(const FWApplication&)> source;
    std::function<std::optional<std::string>(const FWApplication&)> copy;
  };
  static void setDatabaseStateProbe(DatabaseStateProbe probe);

  // The controller (not owned). Setting it detects the host generation and logs it.
  Ref<FWPlugin> fwPlugin() const;
  void setFwPlugin(const Ref<FWPlugin>& plugin);

  // Not owned: the controller sets itself.
  Ref<FWApplicationDelegate> applicationDelegate() const;
  void setApplicationDelegate(const Ref<FWApplicationDelegate>& delegate);

  std::string applicationPath() const;
  void setApplicationPath(std::string path);
  std::string preferencesPath() const;
  void setPreferencesPath(std::string path);
  Date preferencesUpdated() const;
  void setPreferencesUpdated(Date date);
  std::string databasePath() const;
  void setDatabasePath(std::string path);
  std::string pluginPreferencesPath() const;
  void setPluginPreferencesPath(std::string path);
  Ref<Bundle> pluginBundle() const;
  void setPluginBundle(Ref<Bundle> bundle);

  // The cached values. An empty std::any stands for none.
  std::map<std::string, std::any> attributes() const;
  std::any getAttribute(const std::string& name) const;
  void setAttribute(const std::string& name, std::any value);
  void clearAttribute(const std::string& name);
  // The attribute as a T; none when absent or of another type.
  template <class T>
  std::optional<T> attribute(const std::string& name) const {
    std::any value = getAttribute(name);
    if (const T* typed = std::any_cast<T>(&value)) return *typed;
    return std::nullopt;
  }

  Ref<FWApplicationInfo> info() const;
  void setInfo(Ref<FWApplicationInfo> info);
  template <class T>
  Ref<T> infoAs() const {
    return std::dynamic_pointer_cast<T>(info());
  }

  bool isKestrel3() const;
  bool isLockScreen() const;
  int32_t datasourceType() const;

  // The controller's resourceName, or "FWCommon" without a controller.
  std::string resourceName() const;

  // Generation-3 hosts open the URL (or application) and answer true; older ones answer
  // false and the caller opens it another way.
  bool launchURL(const std::string& url) const;
  bool launchApplicationWithIdentifier(const std::string& identifier) const;

  // True when the companion database can be read, re-locating the application through the
  // delegate when it cannot (and dropping the private copy when the controller's data
  // source type changed since the last set-up).
  bool verifyApplication();
  // True when the database (its main file or its write-ahead log), the plug-in's options
  // file or the local day changed since `lastUpdate`; logs the reason. With a state probe
  // the database also counts as changed whenever its state differs from the one the last
  // read was made from, so commits within one second, or still in the log, are never missed.
  bool shouldUpdateForDate(Date lastUpdate) const;
  // The controller's data read brackets: the state taken before the read, then noted as
  // what the read saw when the private copy was made from exactly that state (anything
  // else leaves the state unknown, so the next refresh reads again).
  std::optional<std::string> databaseStateBeforeRead();
  void noteDatabaseRead(const std::optional<std::string>& stateBeforeRead);

  // Guards the private database copy; recursive, since the database calls nest.
  std::recursive_mutex& databaseLock() const { return databaseLock_; }

  std::string description() const;

 private:
  mutable std::mutex mutex_;
  std::weak_ptr<FWPlugin> fwPlugin_;
  std::weak_ptr<FWApplicationDelegate> applicationDelegate_;
  std::string applicationPath_;
  std::string preferencesPath_;
  Date preferencesUpdated_ = Date::referenceDate();
  std::string databasePath_;
  std::string pluginPreferencesPath_;
  Ref<Bundle> pluginBundle_;
  std::map<std::string, std::any> attributes_;
  Ref<FWApplicationInfo> info_;
  bool kestrel3_ = false;
  FWAwayController awayController_;
  int32_t datasourceType_ = kDatasourceTypeNeverSetUp;
  std::optional<std::string> databaseStateRead_;

  mutable std::recursive_mutex databaseLock_;
};
