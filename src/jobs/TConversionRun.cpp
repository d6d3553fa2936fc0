#include "jobs/TConversionRun.h"

namespace qarvo {

TConversionRun::TConversionRun(TConvertEngine& engine, const TGlobalObject& global,
                               QWidget* mainWindow)
    : engine_(engine), global_(global), mainWindow_(mainWindow) {}

bool TConversionRun::Start(std::vector<TJobRow>&, TRowChanged) { return false; }

}  // namespace qarvo
