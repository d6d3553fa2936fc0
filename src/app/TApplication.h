// The Qt application object: shows exceptions that reach the event loop and keeps running.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <functional>

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
  QString errorCaption_;
  TErrorPresenter presenter_;
};

}  // namespace qarvo
