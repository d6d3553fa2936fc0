#include "jobs/TPumpingEngineTasks.h"

#include <QCoreApplication>

namespace qarvo {

void TPumpingEngineTasks::Pump() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::optional<TSourceFacts> TPumpingEngineTasks::LoadSource(const std::string& fileName,
                                                            std::string& error) {
  Pump();
  return TEngineTasks::LoadSource(fileName, error);
}

int TPumpingEngineTasks::AddTask(const TComposedInput& input, std::string& error) {
  Pump();
  return TEngineTasks::AddTask(input, error);
}

bool TPumpingEngineTasks::SetOutputFile(int task, const TComposedOutput& output,
                                        std::string& error) {
  Pump();
  return TEngineTasks::SetOutputFile(task, output, error);
}

}  // namespace qarvo
