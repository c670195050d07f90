#include "tools/kestrel/PluginSession.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/calendarstore/CalendarFolders.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/TimeZone.h"
#include "platform/host/PluginPreferences.h"
#include "tools/kestrel/BuiltPlugins.h"
#include "tools/kestrel/OptionValue.h"

namespace kestrel::tool {
namespace {

namespace fs = std::filesystem;

struct Setup {
  std::vector<std::string> pluginArguments;
  std::string root;
  std::optional<Date> now;
  std::optional<std::string> zone;
  PlistValue::Dict options;
  std::string domain;
  bool log = false;
  std::vector<std::string> reminderFolders, calendarFolders;
  bool keepFolders = false;
};

// A vdir root named on the command line: it must be a folder that can be read now.
std::optional<std::string> checkedFolder(const char* option, const std::string& given, std::vector<std::string>* out) {
  std::error_code ec;
  auto normal = given.empty() ? std::nullopt : CalendarFolders::normalizedPath(fs::absolute(given, ec).string());
  if (ec || !normal) return std::string("--") + option + " needs a folder";
  fs::file_status status = fs::status(*normal, ec);
  if (ec && ec != std::errc::no_such_file_or_directory)
    return std::string("--") + option + " " + printable(given) + ": " + ec.message();
  if (!fs::exists(status)) return std::string("--") + option + " " + printable(given) + ": no such folder";
  if (!fs::is_directory(status)) return std::string("--") + option + " " + printable(given) + " is not a folder";
  for (const auto& earlier : *out)
    if (earlier == *normal) return std::nullopt;
  out->push_back(*normal);
  return std::nullopt;
}

std::optional<std::string> readSetup(const ParsedOptions& in, Setup* out) {
  out->pluginArguments = in.values("plugin");
  if (out->pluginArguments.empty())
    return "no plug-in given: use --plugin PATH, --plugin tasks or --plugin events";
  for (const auto& plugin : out->pluginArguments)
    if (plugin.empty()) return "--plugin needs a library path, tasks or events";

  if (auto root = in.value("root"))
    out->root = *root;
  else if (const char* env = std::getenv("KESTREL_ROOT"); env && *env)
    out->root = env;
  if (out->root.empty()) return "no device root given: use --root DIR (or set KESTREL_ROOT)";

  if (auto now = in.value("now")) {
    Date date;
    if (!Date::parseISO8601(*now, &date))
      return "--now '" + printable(*now) + "' is not an ISO-8601 time such as 2026-12-08T14:30:00Z";
    out->now = date;
  }
  if (auto zone = in.value("tz")) {
    if (!TimeZone::named(*zone)) return "unknown time zone '" + printable(*zone) + "' (use a name such as Europe/Berlin)";
    out->zone = *zone;
  }
  for (const auto& assignment : in.values("option")) {
    auto parsed = parseOptionAssignment(assignment);
    if (!parsed) return parsed.error() + " (use --option key=value)";
    out->options[parsed->first] = parsed->second;
  }
  if (auto domain = in.value("domain")) {
    if (out->pluginArguments.size() > 1) return "--domain names the domain of a single plug-in; it cannot go with several --plugin";
    if (!PluginPreferences::isValidDomain(*domain))
      return "invalid --domain '" + printable(*domain) + "' (letters, digits, '.', '-' and '_' only)";
    out->domain = *domain;
  }
  out->log = in.has("log");
  for (auto [option, folders] : {std::pair{"reminders", &out->reminderFolders}, {"calendars", &out->calendarFolders}}) {
    for (const auto& given : in.values(option)) {
      if (auto wrong = checkedFolder(option, given, folders)) return wrong;
    }
  }
  out->keepFolders = in.has("keep-folders");
  if (out->keepFolders && out->reminderFolders.empty() && out->calendarFolders.empty())
    return "--keep-folders keeps the folders given with --reminders or --calendars; none is given";
  return std::nullopt;
}

// The section's name: the built plug-in's short name, else the library's file stem.
std::string sectionName(const std::string& argument, const std::string& library) {
  if (isBuiltPluginName(argument)) return argument;
  return fs::path(library).stem().string();
}

HostResult<std::string> resolvePlugin(const std::string& argument) {
  if (isBuiltPluginName(argument)) return builtPluginPath(argument);
  std::error_code ec;
  // Always a path: a bare file name must not send dlopen searching the system's folders.
  std::string path = fs::absolute(argument, ec).lexically_normal().string();
  if (ec || !files::exists(path)) return HostError{"no plug-in library at " + printable(argument)};
  if (files::isDirectory(path)) return HostError{printable(argument) + " is a folder, not a plug-in library"};
  return path;
}

std::optional<std::string> prepareRoot(const std::string& root, std::string* absolute) {
  std::error_code ec;
  *absolute = fs::absolute(root, ec).lexically_normal().string();
  if (ec) return "cannot use device root " + printable(root) + ": " + ec.message();
  if (files::exists(*absolute) && !files::isDirectory(*absolute))
    return "device root " + printable(*absolute) + " is not a folder";
  fs::create_directories(*absolute, ec);
  if (ec || !files::isDirectory(*absolute))
    return "cannot create device root " + printable(*absolute) + ": " + (ec ? ec.message() : "not a folder");
  if (::access(absolute->c_str(), W_OK | X_OK) != 0)
    return "device root " + printable(*absolute) + " is not writable: " + std::strerror(errno);
  return std::nullopt;
}

}  // namespace

std::vector<OptionSpec> sessionOptions() {
  return {
      {"plugin", "PATH|tasks|events",
       "a plug-in library to load; tasks and events are the built plug-ins; several make several sections, in this order",
       true},
      {"root", "DIR", "the device root folder (default: $KESTREL_ROOT); created when missing"},
      {"now", "TIME", "fix the clock at an ISO-8601 time, e.g. 2026-12-08T14:30:00Z (default: real time)"},
      {"tz", "ZONE", "the system time zone, e.g. Europe/Berlin"},
      {"option", "KEY=VALUE",
       "store a plug-in option before loading: true/false, integers, reals, lists [1,2], else text", true},
      {"domain", "NAME", "the plug-in's preferences domain (default: com.kzt.kestrel.<library name>)"},
      {"log", "", "echo the log to standard error"},
      {"reminders", "DIR",
       "a vdir folder of reminder lists (one folder per list, as vdirsyncer and todoman keep them), used in place "
       "of the device's own; several are merged",
       true},
      {"calendars", "DIR",
       "a vdir folder of calendars (one folder per calendar, as vdirsyncer and khal keep them), used in place of "
       "the device's own; several are merged",
       true},
      {"keep-folders", "",
       "also store the --reminders and --calendars folders in the device's settings file, so later runs use them "
       "without the options"},
  };
}

std::unique_ptr<PluginSession> PluginSession::open(const ParsedOptions& options, Failure* failure) {
  return open(options, failure, OpenMode{});
}

std::unique_ptr<PluginSession> PluginSession::open(const ParsedOptions& options, Failure* failure,
                                                   const OpenMode& mode) {
  Setup setup;
  if (auto wrong = readSetup(options, &setup)) {
    *failure = {*wrong, true};
    return nullptr;
  }
  struct Planned {
    std::string name, library, domain;
  };
  std::vector<Planned> planned;
  for (const auto& argument : setup.pluginArguments) {
    auto library = resolvePlugin(argument);
    if (!library) {
      if (mode.skipMissingBuilt && isBuiltPluginName(argument)) {
        if (mode.missing) mode.missing->push_back(library.error());
        continue;
      }
      *failure = {library.error(), false};
      return nullptr;
    }
    std::string domain = setup.domain;
    if (domain.empty()) {
      auto derived = PluginPreferences::domainForLibrary(*library);
      if (!derived) {
        *failure = {derived.error() + " (use --domain)", false};
        return nullptr;
      }
      domain = *derived;
    }
    planned.push_back({sectionName(argument, *library), *library, domain});
  }
  if (planned.empty()) {
    *failure = {"none of the plug-ins is built yet", false};
    return nullptr;
  }
  std::string root;
  if (auto wrong = prepareRoot(setup.root, &root)) {
    *failure = {*wrong, false};
    return nullptr;
  }

  Device::setRoot(root);
  if (setup.now) Clock::fix(*setup.now);
  if (setup.zone) TimeZone::setSystemTimeZone(*setup.zone);
  if (setup.log) setLogEchoToStderr(true);
  CalendarFolders::setChosen(EntityType::Reminder, setup.reminderFolders);
  CalendarFolders::setChosen(EntityType::Event, setup.calendarFolders);
  if (setup.keepFolders) {
    for (auto [type, folders] : {std::pair{EntityType::Reminder, &setup.reminderFolders},
                                 {EntityType::Event, &setup.calendarFolders}}) {
      std::string why;
      if (!folders->empty() && !CalendarFolders::keep(type, *folders, &why)) {
        *failure = {why, false};
        return nullptr;
      }
    }
  }

  if (!setup.options.empty()) {
    for (const auto& plan : planned) {
      if (auto refused = PluginPreferences::merge(plan.domain, setup.options)) {
        *failure = {refused->message, false};
        return nullptr;
      }
    }
  }
  auto session = std::unique_ptr<PluginSession>(new PluginSession);
  for (const auto& plan : planned) {
    auto engine = HostEngine::load(plan.library, plan.domain);
    if (!engine) {
      *failure = {engine.error(), false};
      return nullptr;
    }
    session->sections_.push_back({plan.name, std::move(*engine)});
  }
  // One view-ready notification reaches every loaded plug-in, as on the device.
  session->engine().refresh();
  return session;
}

PluginSession::~PluginSession() {
  // Unloaded in the reverse order of loading.
  while (!sections_.empty()) sections_.pop_back();
}

HostEngine* PluginSession::sectionNamed(const std::string& name) {
  for (auto& section : sections_)
    if (section.name == name) return section.engine.get();
  return nullptr;
}

}  // namespace kestrel::tool
