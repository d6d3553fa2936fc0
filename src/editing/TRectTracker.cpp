#include "editing/TRectTracker.h"
