// Installs the detail list view as the view of the plug-in's drill-down pages: the message
// page (FWPlugin's page view factory) and the previews of item rows (FWPlugin's preview
// presenter, which asks the data source's previewWithFrame for the row's index in the
// published items and shows the view through the host).
//
// Each plug-in library holds its own copy of these hooks; its entry point installs them
// once. Thread-safe; the hooks themselves run on the main thread.
#pragma once

void FWInstallDetailPageViews();
