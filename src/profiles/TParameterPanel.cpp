#include "profiles/TParameterPanel.h"

namespace qarvo {

TParameterPanel::TParameterPanel(const TGlobalObject& global, QWidget* parent)
    : QWidget(parent), global_(global) {}

void TParameterPanel::LoadFormat(int) {}

bool TParameterPanel::CommitFrameSize() { return true; }

}  // namespace qarvo
