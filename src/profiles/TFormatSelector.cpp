#include "profiles/TFormatSelector.h"

namespace qarvo {

TFormatSelector::TFormatSelector(const TGlobalObject& global, QWidget* parent)
    : QWidget(parent), global_(global) {}

void TFormatSelector::Build() {}

void TFormatSelector::SaveCollapseState() {}

}  // namespace qarvo
