// Everything a vessel module sees of the host.
#pragma once

#include "hosttypes.h"
#include "oapi.h"
#include "vessel.h"
