#include "app/TApplication.h"

#include <QThread>
#include <utility>

#include "base/EngineError.h"
#include "base/MainThread.h"
#include "core/ErrorMessage.h"

namespace qarvo {

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

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
  TMainThread::SetIdleHook([this] { PumpWithoutInput(); });
}

TApplication::~TApplication() {
  TMainThread::SetWakeHook({});
  TMainThread::SetIdleHook({});
}

void TApplication::PumpWithoutInput() {
  waitLevels_.push_back(QThread::currentThread()->loopLevel());
  struct TSlice {
    std::vector<int>& Levels;
    ~TSlice() { Levels.pop_back(); }
  } slice{waitLevels_};
  // The window system keeps its input events queued; notify() holds back the rest (posted
  // ones, and those a flush or a test sends straight in).
  processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TApplication::InsideWait() const {
  return QThread::currentThread() == thread() && !waitLevels_.empty() &&
         waitLevels_.back() == QThread::currentThread()->loopLevel();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  if (IsUserInput(event->type()) && InsideWait()) {
    // Delivered by the event loop once the wait is over.
    postEvent(receiver, event->clone());
    return true;
  }
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
