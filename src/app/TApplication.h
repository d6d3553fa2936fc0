// The Qt application object: shows exceptions that reach the event loop and keeps running, and
// keeps events flowing in the main thread's waits without letting the user's input in.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <functional>
#include <vector>

namespace qarvo {

class TApplication : public QApplication {
  Q_OBJECT

 public:
  using TErrorPresenter =
      std::function<void(QMessageBox::Icon icon, const QString& caption, const QString& text)>;

  TApplication(int& argc, char** argv);
  ~TApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // Caption of the error boxes: the application title in force.
  void SetErrorCaption(const QString& caption) { errorCaption_ = caption; }
  const QString& ErrorCaption() const { return errorCaption_; }

  // Engine errors get the warning icon, everything else the error icon.
  void HandleException(std::exception_ptr error);

  // Replaces the message box, e.g. in tests.
  void SetErrorPresenter(TErrorPresenter presenter) { presenter_ = std::move(presenter); }

 private:
  // One slice of a main-thread wait: everything but the user's input, which waits for the end
  // of the wait, so no click handler runs inside another handler's wait.
  void PumpWithoutInput();
  bool InsideWait() const;

  QString errorCaption_;
  TErrorPresenter presenter_;
  // The event loop level of each wait slice running now (main thread only). A dialog opened
  // inside a wait runs a loop of its own, one level deeper, and takes input as usual.
  std::vector<int> waitLevels_;
};

}  // namespace qarvo
