// A higher folder that includes a lower one, which is allowed.
#pragma once

#include "base/low.h"
