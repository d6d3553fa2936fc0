#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/NewsValue.h"
#include "app/TUpdateCheck.h"

#include "AppTestApplication.h"
#include "LoopbackHttpServer.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

const char* const kProgramVersion = " 3.300 ";

QByteArray NewsFile(const char* version, const char* root = "XMLPackage") {
  return QByteArray("<?xml version=\"1.0\"?>\n<") + root +
         ">\n<count number=\"2\"/>\n"
         "<videoversion number=\"" +
         version +
         "\"/>\n"
         "<row0 info=\"First news\" url=\"http://news.example/first\"/>\n"
         "<row1 info=\"Second news\" url=\"news.example/no-link\"/>\n</" +
         root + ">\n";
}

// One check against the server with a recorded question.
struct TCheck {
  TCheck(const QUrl& url, const std::string& cache, bool answer = false, int timeout = 15000)
      : check(url.toString(), QString::fromStdString(cache), "Qarvo 3GP Video Converter",
              kProgramVersion, [this, answer](const QString& question) {
                questions << question;
                return answer;
              }) {
    check.SetReadTimeout(timeout);
  }
  // Runs the check to its end; false when neither signal came.
  bool Run() {
    QSignalSpy finished(&check, &TUpdateCheck::Finished);
    QSignalSpy upgrade(&check, &TUpdateCheck::UpgradeAccepted);
    check.Start();
    return QTest::qWaitFor([&] { return finished.size() + upgrade.size() > 0; }, 30000);
  }
  QStringList questions;
  TUpdateCheck check;
};

TEST(NewsValue, PathsAttributesFirstChildAndErrors) {
  test::AppApplication();
  test::TScratchFolder folder("newsvalue");
  const QString file = QString::fromStdString(folder.File("news.xml"));
  test::WriteText(file.toStdString(),
                  "<XMLPackage><a><b n=\"1\">one</b><b n=\"2\"/></a><a><b n=\"3\"/></a>"
                  "<Text>plain <i>and</i> more</Text><row0 info=\"x\"/></XMLPackage>");
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage.a.b", "n"), "1");  // first child of each name
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage.a.b", ""), "one");
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage.Text", ""), "plain and more");
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage.text", ""), "");  // names match exactly
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage.a.c", "n"), "");
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage.row0", "url"), "");
  EXPECT_EQ(ReadNewsValue(file, "Other.a.b", "n"), "");  // another root gives nothing
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage", "missing"), "");
  test::WriteText(file.toStdString(), "<XMLPackage><a n=\"1\"></XMLPackage>");
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage.a", "n"), "error");  // not well-formed
  test::WriteText(file.toStdString(), "");
  EXPECT_EQ(ReadNewsValue(file, "XMLPackage", "n"), "error");
  EXPECT_EQ(ReadNewsValue(QString::fromStdString(folder.File("none.xml")), "XMLPackage", "n"),
            "error");
}

TEST(TUpdateCheck, NewerReleaseAsksEqualLowerWrongRootOrUnreadableDoNot) {
  test::AppApplication();
  test::TScratchFolder cache("newscache");
  test::TLoopbackHttpServer server;

  server.SetBody(NewsFile("3.4"));
  TCheck newer(server.Url(), cache.Folder());
  ASSERT_TRUE(newer.Run());
  EXPECT_EQ(newer.questions,
            QStringList{"Do you want to upgrade to Qarvo 3GP Video Converter 3.4 now?"});
  // No: the news rows load; the file was fetched twice, both copies kept.
  EXPECT_EQ(server.Requests(), 2);
  ASSERT_EQ(newer.check.Rows().size(), 2u);
  EXPECT_EQ(newer.check.Rows()[0].AdText, "First news");
  EXPECT_EQ(newer.check.Rows()[0].AdUrl, "http://news.example/first");
  EXPECT_EQ(newer.check.Rows()[1].AdText, "Second news");
  EXPECT_EQ(newer.check.Latest(), "3.4");
  EXPECT_EQ(test::ReadText(cache.File("qarvonet.xml")), NewsFile("3.4").toStdString());
  EXPECT_EQ(test::ReadText(cache.File("qarvo.xml")), NewsFile("3.4").toStdString());

  for (const char* version : {"3.3", "3.25", "", "error", "3.4 beta"}) {
    server.SetBody(NewsFile(version));
    TCheck other(server.Url(), cache.Folder());
    ASSERT_TRUE(other.Run()) << version;
    EXPECT_TRUE(other.questions.isEmpty()) << version;
    EXPECT_EQ(other.check.Rows().size(), 2u) << version;
  }
  // Another root element: no question and no rows.
  server.SetBody(NewsFile("9.0", "Package"));
  TCheck wrongRoot(server.Url(), cache.Folder());
  ASSERT_TRUE(wrongRoot.Run());
  EXPECT_TRUE(wrongRoot.questions.isEmpty());
  EXPECT_TRUE(wrongRoot.check.Rows().empty());

  // Yes: the upgrade is announced and nothing more is fetched.
  server.SetBody(NewsFile("3.4"));
  const int before = server.Requests();
  TCheck yes(server.Url(), cache.Folder(), true);
  QSignalSpy upgrade(&yes.check, &TUpdateCheck::UpgradeAccepted);
  QSignalSpy finished(&yes.check, &TUpdateCheck::Finished);
  ASSERT_TRUE(yes.Run());
  EXPECT_EQ(upgrade.size(), 1);
  EXPECT_EQ(finished.size(), 0);
  EXPECT_EQ(server.Requests(), before + 1);
}

TEST(TUpdateCheck,
     SilentServerFallsBackWithinTheTimeOutWhileTheWindowRepaintsAndTheCopyServesTheNextStart) {
  test::AppApplication();
  test::TScratchFolder cache("newscache");
  test::TLoopbackHttpServer silent;
  silent.SetSilent(true);

  // Nothing cached: the built-in rows, no question.
  class TPaintCounter : public QWidget {
   public:
    void paintEvent(QPaintEvent*) override { ++paints; }
    int paints = 0;
  } window;
  window.resize(100, 100);
  window.show();
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout, &window, [&] { window.update(); });
  repaint.start(10);
  TCheck first(silent.Url(), cache.Folder(), false, 300);
  const int paintsBefore = window.paints;
  ASSERT_TRUE(first.Run());
  EXPECT_EQ(silent.Requests(), 1);
  EXPECT_GT(window.paints, paintsBefore + 1);  // the wait never blocked the window
  EXPECT_TRUE(first.questions.isEmpty());
  EXPECT_EQ(first.check.Rows(), BuiltInNewsRows());
  EXPECT_FALSE(QDir(QString::fromStdString(cache.Folder())).exists("qarvonet.xml"));

  // A successful start keeps a copy ...
  test::TLoopbackHttpServer server;
  server.SetBody(NewsFile("3.4"));
  TCheck fetched(server.Url(), cache.Folder());
  ASSERT_TRUE(fetched.Run());
  // ... which the next start without an answer reads, asking nothing.
  TCheck next(silent.Url(), cache.Folder(), false, 300);
  ASSERT_TRUE(next.Run());
  EXPECT_TRUE(next.questions.isEmpty());
  ASSERT_EQ(next.check.Rows().size(), 2u);
  EXPECT_EQ(next.check.Rows()[1].AdText, "Second news");
  EXPECT_EQ(next.check.Rows()[1].AdUrl, "news.example/no-link");
  EXPECT_EQ(next.check.Latest(), "3.4");
  // The second fetch of a start unanswered: the first answer is the copy, and its rows show.
  test::TLoopbackHttpServer once;
  once.SetBody(NewsFile("3.25"));
  once.SetAnswers(1);
  TCheck half(once.Url(), cache.Folder(), false, 300);
  ASSERT_TRUE(half.Run());
  EXPECT_EQ(once.Requests(), 2);
  EXPECT_EQ(test::ReadText(cache.File("qarvo.xml")), NewsFile("3.25").toStdString());
  ASSERT_EQ(half.check.Rows().size(), 2u);
  EXPECT_EQ(half.check.Rows()[0].AdText, "First news");
  // No address: no request, the copy still serves.
  TCheck none(QUrl(), cache.Folder());
  ASSERT_TRUE(none.Run());
  EXPECT_EQ(none.check.Rows().size(), 2u);
}

}  // namespace
}  // namespace qarvo
