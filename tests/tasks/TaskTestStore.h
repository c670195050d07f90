// A small Taskwell store for the task tests: the tables and columns the task queries read,
// in schema 250 or 260, with helpers that insert rows. Dates are seconds since 2001.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

namespace kestrel::test {

// Entity numbers the store registers in Z_PRIMARYKEY.
inline constexpr int kTaskEntity = 7;
inline constexpr int kProjectEntity = 8;
inline constexpr int kInternalProjectEntity = 9;
inline constexpr int kCalendarEntity = 12;
inline constexpr int kInternalCalendarEntity = 13;
inline constexpr int kEventEntity = 20;
inline constexpr int kTagEntity = 30;

struct TaskRow {
  int64_t key = 0;
  std::string title = "Task";
  int entity = kTaskEntity;
  std::optional<double> start = std::nullopt;
  bool startHasTime = true;
  std::optional<double> due = std::nullopt;
  bool allDay = false;
  int importance = 0;
  std::optional<std::string> priority = std::nullopt;
  bool flagged = false;
  int action = 0;
  int percent = 0;
  std::string icon = "";
  bool repeating = false;
  int childCount = 0;
  std::optional<int64_t> parent = std::nullopt;
  std::optional<int64_t> project = std::nullopt;
  std::optional<int64_t> calendar = std::nullopt;
  std::optional<int64_t> context = std::nullopt;
  std::optional<double> completed = std::nullopt;
  int sequence = 0;
  int opt = 1;
  std::vector<int64_t> tags = {};
};

class TaskTestStore {
 public:
  // An empty store of the schema at `path` (":memory:" for none on disk).
  TaskTestStore(int schemaVersion, const std::string& path = ":memory:");
  ~TaskTestStore();
  TaskTestStore(const TaskTestStore&) = delete;
  TaskTestStore& operator=(const TaskTestStore&) = delete;

  sqlite3* db() const { return db_; }
  const char* tagsColumn() const { return schema_ == 260 ? "Z_50TAGS2" : "Z_48TAGS2"; }

  void exec(const std::string& sql);
  void addTask(const TaskRow& task);
  void addCalendar(int64_t key, const std::string& title, int internalId = -1, int entity = kCalendarEntity);
  void addContext(int64_t key, const std::string& title, const std::string& icon = "");
  void addTag(int64_t key, const std::string& title);
  void addAlarm(int64_t task, std::optional<double> relative, std::optional<double> absolute);
  // Stores bytes (an archive) in a blob column of the row with that Z_PK.
  void setBlob(const std::string& table, const std::string& column, int64_t key, const std::vector<uint8_t>& bytes);
  void addLocation(std::optional<int64_t> task, std::optional<int64_t> context, const std::string& title,
                   double latitude, double longitude, double radius, const std::string& description = "");

  // Z_PK (column `column`, as integer) of every row the query answers, in order; fails the
  // test when the query does not prepare.
  std::vector<int64_t> keys(const std::string& sql, int column = 7) const;

 private:
  int schema_;
  sqlite3* db_ = nullptr;
};

// RFC 4648 Base64 decoding; stops at the first character that is not Base64.
std::string base64Decode(const std::string& text);

}  // namespace kestrel::test
