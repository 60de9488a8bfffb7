// The Carbon calls of the macOS flavour, over the Core Foundation stand-in.
// One shared library: the current resource file and the notification queue
// are the process's, seen alike by host and plug-in.
#pragma once

#include "platform/carbon/CarbonTypes.h"
#include "platform/carbon/FileManager.h"
#include "platform/carbon/Folders.h"
#include "platform/carbon/Notifications.h"
#include "platform/carbon/Processes.h"
#include "platform/carbon/Resources.h"
#include "platform/carbon/SystemServices.h"
#include "platform/carbon/TextServices.h"
