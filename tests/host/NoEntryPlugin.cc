// libKSNoEntryPlugin.so: a library that loads but exports no plug-in entry point.
#include "platform/host/KSHost.h"

KS_PLUGIN_EXPORT int KSNoEntryPluginVersion() { return 1; }
