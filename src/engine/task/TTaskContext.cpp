#include "engine/task/TTaskContext.h"

namespace qarvo {
TTaskContext::TTaskContext() = default;
TTaskContext::~TTaskContext() = default;
}  // namespace qarvo
