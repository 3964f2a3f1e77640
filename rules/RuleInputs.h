#pragma once
// What rule generation reads of the other subsystems.
#include "alerts/mdlAlertsAndLogs.h"
#include "alerts/mdlEventGlobals.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"
#include "zones/mdlMain.h"
