#include "app/TApplication.h"

#include <utility>

#include "base/EngineError.h"
#include "base/MainThread.h"
#include "core/ErrorMessage.h"

namespace qarvo {

namespace {

void ShowMessageBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok);
  box.exec();
}

}  // namespace

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv),
      errorCaption_(QStringLiteral("Qarvo 3GP Video Converter")),
      presenter_(ShowMessageBox) {
  // Worker threads hand calls to the main thread; wake the event loop to run them.
  TMainThread::SetMainThread();
  TMainThread::SetWakeHook([] {
    QMetaObject::invokeMethod(
        qApp, [] { TMainThread::ProcessPendingCalls(); }, Qt::QueuedConnection);
  });
  TMainThread::SetIdleHook([] { QCoreApplication::processEvents(); });
}

TApplication::~TApplication() {
  TMainThread::SetWakeHook({});
  TMainThread::SetIdleHook({});
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  // An exception must not unwind through Qt's own frames.
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleException(std::current_exception());
  }
  return false;
}

void TApplication::HandleException(std::exception_ptr error) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  std::string message;
  try {
    std::rethrow_exception(std::move(error));
  } catch (const EEngineError& e) {
    icon = QMessageBox::Warning;
    message = e.what();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    // Not a standard exception: nothing to say beyond the box itself.
  }
  if (presenter_) {
    presenter_(icon, errorCaption_, QString::fromStdString(ErrorMessageText(message)));
  }
}

}  // namespace qarvo
