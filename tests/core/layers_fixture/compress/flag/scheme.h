// A scheme that reaches into the scan: the layer check must reject this fixture.
#pragma once

#include "compress/scan/finder.h"
#include "compress/uCompress.h"
