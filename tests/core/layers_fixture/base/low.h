// A lower folder that reaches up: the layer check must reject this fixture.
#pragma once

#include "tiles/high.h"
