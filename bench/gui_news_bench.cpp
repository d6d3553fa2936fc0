// The news check: the main thread's longest stall and the time to the rows while a check
// reads a feed of 100 rows near the size limit from a loopback server, and then while a
// start without an answer reads the kept copy.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/LoopbackHttpServer.h"
#include "app/TApplication.h"
#include "app/TUpdateCheck.h"

namespace {

QByteArray Feed(int rows, qint64 bytes) {
  QByteArray text = "<?xml version=\"1.0\"?>\n<XMLPackage>\n<count number=\"" +
                    QByteArray::number(rows) + "\"/>\n<videoversion number=\"3.3\"/>\n";
  for (int i = 0; i < rows; ++i)
    text += "<row" + QByteArray::number(i) + " info=\"News " + QByteArray::number(i) +
            "\" url=\"https://news.example/" + QByteArray::number(i) + "\"/>\n";
  const QByteArray padding = "<!-- " + QByteArray(1000, 'x') + " -->\n";
  while (text.size() + padding.size() + 20 < bytes) text += padding;
  return text + "</XMLPackage>\n";
}

// Runs one check; prints its time and the longest gap between 1 ms ticks of the main thread.
void Measure(const char* what, const QString& url, const QString& cache, int timeout) {
  qarvo::TUpdateCheck check(url, cache, "Qarvo 3GP Video Converter", " 3.300 ",
                            [](const QString&) { return false; });
  check.SetReadTimeout(timeout);
  bool finished = false;
  QObject::connect(&check, &qarvo::TUpdateCheck::Finished, [&] { finished = true; });
  QElapsedTimer clock;
  qint64 last = 0;
  qint64 longest = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  clock.start();
  tick.start(1);
  check.Start();
  while (!finished) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  // A stall that ends with the signal has no tick after it.
  longest = std::max(longest, clock.elapsed() - last);
  std::printf("%-44s rows %3zu  done after %6lld ms  longest main-thread stall %5lld ms\n", what,
              check.Rows().size(), static_cast<long long>(clock.elapsed()),
              static_cast<long long>(longest));
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qarvo::TApplication application(argc, argv);
  namespace fs = std::filesystem;
  const fs::path cache =
      fs::temp_directory_path() / ("qarvo-news-bench-" + std::to_string(::getpid()));
  fs::create_directories(cache);
  const QString folder = QString::fromStdString(cache.string());
  qarvo::test::TLoopbackHttpServer server;
  server.SetBody(Feed(100, 1000 * 1000));
  Measure("100 rows, 1 MB, from the server", server.Url().toString(), folder, 15000);
  qarvo::test::TLoopbackHttpServer silent;
  silent.SetSilent(true);
  Measure("the kept copy, server silent (300 ms)", silent.Url().toString(), folder, 300);
  qarvo::test::TLoopbackHttpServer large;
  large.SetStream("<XMLPackage>", "<row7 info=\"x\" url=\"http://filler.example/\"/>\n",
                  200LL * 1024 * 1024, false);
  Measure("a 200 MB answer (refused at 1 MB)", large.Url().toString(), folder, 15000);
  fs::remove_all(cache);
  return 0;
}
