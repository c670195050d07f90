#include "bench/TaskQueryProbe.h"

#include "database/FWDatabase.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/HostPlugin.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskPlugin.h"

namespace kestrel::bench {

TaskQuery probeTaskQuery(const std::string& bundlePath) {
  TaskQuery out;
  auto host = HostPlugin::create("com.kzt.kestrel.TWPlugin", Bundle::bundleAtPath(bundlePath));
  if (!host) {
    out.error = "host: " + host.error();
    return out;
  }
  (*host)->setEnabled(false);
  {
    auto component = FWPlugin::create<TWTaskPlugin>(*host, CalendarStore::Options{.watchForChanges = false});
    auto app = component->fwApplication();
    auto prefs = FWPreferences::initWithPreferences((*host)->preferences());
    if (!app->verifyApplication()) {
      out.error = "the controller cannot find Taskwell";
    } else {
      // One build first, so that the context attributes are those of a cycle.
      component->fwDatasource()->fetchNewDataForPrefs(prefs, app);
      auto sql = TWTaskIntegration::basicTaskListSQLForApp(app.get(), *prefs, std::nullopt, std::nullopt, std::nullopt);
      out.copyDevicePath = FWShadowDBPath(app->databasePath(), app.get());
      if (sql)
        out.sql = *sql;
      else
        out.error = "the query builder gave no task query";
    }
  }
  RunLoop::main().pump();
  return out;
}

}  // namespace kestrel::bench
