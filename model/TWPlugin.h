// TWPlugin: the controller base of both plug-ins, which finds the Taskwell installation.
//
// It is the application record's delegate: updateApplication() searches the application
// registry for the editions in order (tablet, phone, small), locates the database (the
// application's Documents folder, else "/var/mobile/Documents"), checks the schema (250 or
// 260) and the entity table, and publishes what it found on the status pasteboard for the
// settings panes. It also owns the "Taskwell unavailable" message row.
//
// Threads: updateApplication runs on the update thread under the controller's list lock;
// the detection results are atomics or guarded, so the main thread may read them.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "database/FWDBRecords.h"
#include "platform/springboard/ApplicationRegistry.h"
#include "runtime/FWApplicationDelegate.h"
#include "runtime/FWPlugin.h"

class TWPlugin : public FWPlugin, public FWApplicationDelegate, public FWDBRowBuilder {
 public:
  TWPlugin();

  // Bare controllers for the settings panes: Taskwell present with schema `version` (or 0).
  static Ref<TWPlugin> initWithTWVersion(int32_t version);
  static Ref<TWPlugin> initAsTWPresent();

  void initWithApplicationName(const Ref<FWApplication>& application, const std::string& name) override;

  // Searches the editions the data-source type allows and fills the record's paths; none when
  // no edition (or no database) is found.
  static Ref<const kestrel::SBApplication> findTaskwellForApplication(const Ref<FWApplication>& application);
  static bool findDatabaseAtPath(const std::string& containerPath, const Ref<FWApplication>& application,
                                 const Ref<const kestrel::SBApplication>& appInfo);

  bool updateApplication(const Ref<FWApplication>& application) override;
  bool testTW2DB(const Ref<FWApplication>& application, const std::string& path);
  bool hasField(const std::string& field, const std::string& forTable, const Ref<FWApplication>& application,
                const std::string& path);
  FWDBObject objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject& context,
                                FWApplication* application) override;
  // The controllers add no reason of their own to refresh.
  using FWApplicationDelegate::application;
  bool application(const Ref<FWApplication>& application, Date shouldUpdateForDate) const { return false; }

  // The message row for a database that cannot be read. The reason the database layer left
  // in the message box (line 2 of its "Database - ..." message) is kept: in the detail, and
  // on line 2 once the user has seen the "Info/Touch for More" hint.
  void setTWUnavailableMessage(const std::string& messageKey);
  // Taskwell's private copy for one list build; null when Taskwell is absent, the section is
  // native-only or the copy cannot be had. While Taskwell is installed but its database is
  // refused (damaged, unreadable, no room for the copy), detection runs again on every build,
  // so a repaired database comes back by itself, and the message row `messageKey` says why
  // rather than leave a section that reads as empty. The caller disconnects.
  FWDBConnection connectTaskwellDatabase(const Ref<FWApplication>& application, const std::string& messageKey);
  void previewSelected(const Ref<KSAction>& action, const Ref<KSData>& data) override;

  bool isTaskwellPresent() const { return taskwellPresent_.load(); }
  bool isTaskwellFull() const { return taskwellFull_.load(); }
  int32_t dbVersion() const { return dbVersion_.load(); }
  std::map<std::string, std::string> dbEntityKeys() const;
  // Entity number of `entityName` as decimal text; empty when unknown.
  std::string entityKey(const std::string& entityName) const;
  Date taskwellLastSeen() const;
  void setTaskwellLastSeen(Date date);
  std::string appURLScheme() const;
  std::string appDisplayIdentifier() const;
  std::string appBundleIdentifier() const;

  // Process-wide: the user has opened the unavailable message once.
  static bool unavailableHintSeen();
  static void resetUnavailableHintForTesting();

 protected:
  // The localised text of `key` from the plug-in's bundle (the key itself without one).
  std::string localise(const std::string& key) const;

 private:
  void publishStatusPasteboard(const Ref<FWApplication>& application);

  std::atomic<bool> taskwellPresent_{false};
  std::atomic<bool> taskwellFull_{false};
  std::atomic<int32_t> dbVersion_{-1};
  mutable std::mutex detailsMutex_;
  std::map<std::string, std::string> dbEntityKeys_;
  Date taskwellLastSeen_;
  std::string appURLScheme_;
  std::string appDisplayIdentifier_;
  std::string appBundleIdentifier_;
};
