// Records what the news check logs (category "qarvo.news", debug lines included) and on
// which thread, while it lives.
#pragma once

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <atomic>

namespace qarvo::test {

class TNewsLog {
 public:
  struct TLine {
    QtMsgType Type;
    QString Text;
    bool MainThread;
  };

  TNewsLog() {
    QLoggingCategory::setFilterRules(QStringLiteral("qarvo.news.debug=true"));
    previous_ = qInstallMessageHandler(Handler);
    active_ = this;
  }
  ~TNewsLog() {
    qInstallMessageHandler(previous_);
    active_ = nullptr;
    QLoggingCategory::setFilterRules(QString());
  }
  TNewsLog(const TNewsLog&) = delete;
  TNewsLog& operator=(const TNewsLog&) = delete;

  QList<TLine> Lines() const {
    QMutexLocker lock(&mutex_);
    return lines_;
  }
  // Lines of this type containing the text.
  QList<TLine> Matching(QtMsgType type, const QString& text) const {
    QList<TLine> found;
    for (const TLine& line : Lines())
      if (line.Type == type && line.Text.contains(text)) found << line;
    return found;
  }
  void Clear() {
    QMutexLocker lock(&mutex_);
    lines_.clear();
  }

 private:
  static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    TNewsLog* log = active_;
    if (log && context.category && QLatin1String(context.category) == "qarvo.news") {
      QMutexLocker lock(&log->mutex_);
      log->lines_.push_back(
          {type, text, QThread::currentThread() == QCoreApplication::instance()->thread()});
    }
    if (log && log->previous_ && type != QtDebugMsg) log->previous_(type, context, text);
  }

  static inline std::atomic<TNewsLog*> active_{nullptr};
  QtMessageHandler previous_ = nullptr;
  mutable QMutex mutex_;
  QList<TLine> lines_;
};

}  // namespace qarvo::test
