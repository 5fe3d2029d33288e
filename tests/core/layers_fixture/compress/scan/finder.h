// The scan, which may include the schemes it runs.
#pragma once

#include "compress/flag/scheme.h"
