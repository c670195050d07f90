// The platform value types under the names the plug-ins' code uses.
#pragma once

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Color.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PlistValue.h"
#include "platform/foundation/Ref.h"
#include "platform/foundation/TimeZone.h"

using kestrel::Bundle;
using kestrel::Bytes;
using kestrel::Clock;
using kestrel::Color;
using kestrel::Date;
using kestrel::KSFormat;
using kestrel::KSLog;
using kestrel::PlistValue;
using kestrel::Ref;
using kestrel::TimeZone;
using kestrel::WeakRef;
