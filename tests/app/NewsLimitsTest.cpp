// The news check against a hostile server and a hostile settings file: answers past the
// limit, endless and trickling bodies, addresses of other schemes, oversized kept copies,
// and how often and where the news file is read.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "app/NewsValue.h"
#include "app/TUpdateCheck.h"

#include "AppTestApplication.h"
#include "LoopbackHttpServer.h"
#include "support/NewsLog.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TLoopbackHttpServer;
using test::TNewsLog;

constexpr qint64 kMegabyte = 1024 * 1024;

QByteArray Row(int i, const QByteArray& url = "https://news.example/") {
  return "<row" + QByteArray::number(i) + " info=\"News " + QByteArray::number(i) + "\" url=\"" +
         url + QByteArray::number(i) + "\"/>\n";
}

// A news file of `rows` rows, padded with comments to about `bytes`.
QByteArray NewsFile(int rows, qint64 bytes = 0, const char* version = "3.3") {
  QByteArray text = "<?xml version=\"1.0\"?>\n<XMLPackage>\n<count number=\"" +
                    QByteArray::number(rows) + "\"/>\n<videoversion number=\"" + version + "\"/>\n";
  for (int i = 0; i < rows; ++i) text += Row(i);
  const QByteArray padding = "<!-- " + QByteArray(1000, 'x') + " -->\n";
  while (text.size() + padding.size() + 20 < bytes) text += padding;
  return text + "</XMLPackage>\n";
}

struct TCheck {
  TCheck(const QString& url, const std::string& cache, int timeout = 15000)
      : check(url, QString::fromStdString(cache), "Qarvo 3GP Video Converter", " 3.300 ",
              [this](const QString& question) {
                questions << question;
                return false;
              }) {
    check.SetReadTimeout(timeout);
  }
  bool Run() {
    QSignalSpy finished(&check, &TUpdateCheck::Finished);
    check.Start();
    return QTest::qWaitFor([&] { return finished.size() > 0; }, 60000);
  }
  QStringList questions;
  TUpdateCheck check;
};

QStringList CacheEntries(const test::TScratchFolder& cache) {
  return QDir(QString::fromStdString(cache.Folder()))
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The filler of a hostile answer: valid rows, so that a client that took it all would keep
// and show it.
QByteArray Filler() { return Row(7, "http://filler.example/"); }

TEST(NewsLimits, AnswersPastTheLimitAreCutOffLoggedAndLeaveNothingInTheCache) {
  test::AppApplication();
  struct TCase {
    const char* name;
    qint64 bytes;  // -1: without end
    bool announced;
  };
  for (const TCase& c :
       {TCase{"200 MB announced", 200 * kMegabyte, true},
        TCase{"200 MB chunked", 200 * kMegabyte, false}, TCase{"endless", -1, false}}) {
    SCOPED_TRACE(c.name);
    test::TScratchFolder cache("newscache");
    TLoopbackHttpServer server;
    server.SetStream(NewsFile(0).replace("</XMLPackage>\n", ""), Filler(), c.bytes, c.announced);
    TNewsLog log;
    TCheck check(server.Url().toString(), cache.Folder());
    ASSERT_TRUE(check.Run());
    // Cut off at the limit: what the sockets still held is all the server got out.
    EXPECT_LT(server.BodyBytesSent(), 64 * kMegabyte);
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_TRUE(CacheEntries(cache).isEmpty()) << CacheEntries(cache).join(", ").toStdString();
    EXPECT_EQ(check.check.Rows(), BuiltInNewsRows());
    EXPECT_EQ(log.Matching(QtWarningMsg, "news answer refused").size(), 1);
  }
  // An answer of exactly the limit is a news file like any other.
  test::TScratchFolder cache("newscache");
  TLoopbackHttpServer server;
  QByteArray full = NewsFile(2, kMaxNewsFileBytes);
  full.insert(full.size() - 15, QByteArray(kMaxNewsFileBytes - full.size(), ' '));
  ASSERT_EQ(full.size(), kMaxNewsFileBytes);
  server.SetBody(full);
  TCheck check(server.Url().toString(), cache.Folder());
  ASSERT_TRUE(check.Run());
  ASSERT_EQ(check.check.Rows().size(), 2u);
  EXPECT_EQ(check.check.Rows()[1].AdText, "News 1");
  EXPECT_EQ(QFileInfo(QString::fromStdString(cache.File("qarvo.xml"))).size(), kMaxNewsFileBytes);
}

TEST(NewsLimits, ATrickleEndsAfterFourReadTimeOutsAndTheKeptCopyServes) {
  test::AppApplication();
  test::TScratchFolder cache("newscache");
  TLoopbackHttpServer good;
  good.SetBody(NewsFile(3));
  TCheck first(good.Url().toString(), cache.Folder());
  ASSERT_TRUE(first.Run());
  ASSERT_EQ(first.check.Rows().size(), 3u);

  // One byte each 50 ms never lets the 300 ms read time-out pass.
  TLoopbackHttpServer trickle;
  trickle.SetStream(NewsFile(0).left(20), Filler(), 100000, true, 50);
  TNewsLog log;
  TCheck check(trickle.Url().toString(), cache.Folder(), 300);
  ASSERT_TRUE(check.Run());
  EXPECT_EQ(check.check.Rows().size(), 3u);  // from the copy of the first start
  EXPECT_EQ(log.Matching(QtWarningMsg, "not complete after 1200 ms").size(), 1);
  EXPECT_EQ(test::ReadText(cache.File("qarvo.xml")), NewsFile(3).toStdString());
}

TEST(NewsLimits, OnlyHttpAndHttpsAddressesAreFetched) {
  test::AppApplication();
  test::TScratchFolder folder("newsaddress");
  // A readable local file in news form: a file address would copy it into the cache.
  const std::string secret = folder.File("secret.xml");
  test::WriteText(secret, NewsFile(2).toStdString());
  const QString encoded = QString::fromLatin1(NewsFile(1).toPercentEncoding());
  for (const QString& address :
       {QUrl::fromLocalFile(QString::fromStdString(secret)).toString(),
        QStringLiteral("file://") + QString::fromStdString(secret),
        QStringLiteral("data:text/xml,") + encoded, QStringLiteral("qrc:/news.xml"),
        QStringLiteral("news.xml"), QStringLiteral("http:news.xml"),
        QStringLiteral("ftp://127.0.0.1:1/news.xml")}) {
    SCOPED_TRACE(address.toStdString());
    test::TScratchFolder cache("newscache");
    TNewsLog log;
    TCheck check(address, cache.Folder());
    ASSERT_TRUE(check.Run());
    EXPECT_TRUE(CacheEntries(cache).isEmpty());
    EXPECT_EQ(check.check.Rows(), BuiltInNewsRows());
    EXPECT_EQ(log.Matching(QtWarningMsg, "news address refused").size(), 1);
  }
  // Letter case of the scheme does not matter.
  TLoopbackHttpServer server;
  server.SetBody(NewsFile(2));
  test::TScratchFolder cache("newscache");
  TCheck upper(server.Url().toString().replace(QStringLiteral("http:"), QStringLiteral("HTTP:")),
               cache.Folder());
  ASSERT_TRUE(upper.Run());
  EXPECT_EQ(upper.check.Rows().size(), 2u);
}

TEST(NewsLimits, EachFileIsReadOnceOnAWorkerThread) {
  test::AppApplication();
  test::TScratchFolder cache("newscache");
  TLoopbackHttpServer server;
  // A hundred rows and most of the limit: read value by value this took hundreds of passes.
  server.SetBody(NewsFile(TUpdateCheck::kMaxRows, 900 * 1024));
  {
    TNewsLog log;
    TCheck check(server.Url().toString(), cache.Folder());
    ASSERT_TRUE(check.Run());
    ASSERT_EQ(check.check.Rows().size(), 100u);
    EXPECT_EQ(check.check.Rows()[99].AdText, "News 99");
    EXPECT_EQ(check.check.Rows()[99].AdUrl, "https://news.example/99");
    const auto reads = log.Matching(QtDebugMsg, "news file read");
    EXPECT_EQ(reads.size(), 2);  // the fetched file and the copy, once each
    for (const TNewsLog::TLine& read : reads) EXPECT_FALSE(read.MainThread);
  }
  // The kept copy at a start without an answer: one read, off the main thread too.
  TLoopbackHttpServer silent;
  silent.SetSilent(true);
  TNewsLog log;
  TCheck offline(silent.Url().toString(), cache.Folder(), 300);
  ASSERT_TRUE(offline.Run());
  EXPECT_EQ(offline.check.Rows().size(), 100u);
  const auto reads = log.Matching(QtDebugMsg, "news file read");
  ASSERT_EQ(reads.size(), 1);
  EXPECT_FALSE(reads.front().MainThread);
}

TEST(NewsLimits, AKeptCopyPastTheLimitIsRefusedAndRemoved) {
  test::AppApplication();
  test::TScratchFolder cache("newscache");
  // As an earlier version could leave it.
  test::WriteText(cache.File("qarvo.xml"), NewsFile(5, 2 * kMegabyte).toStdString());
  TNewsLog log;
  TCheck check(QString(), cache.Folder());
  ASSERT_TRUE(check.Run());
  EXPECT_EQ(check.check.Rows(), BuiltInNewsRows());
  EXPECT_EQ(log.Matching(QtWarningMsg, "kept news copy refused").size(), 1);
  EXPECT_TRUE(log.Matching(QtDebugMsg, "news file read").isEmpty());
  EXPECT_TRUE(CacheEntries(cache).isEmpty());
  // A value read of a file past the limit is an error, as for an unreadable file.
  test::WriteText(cache.File("big.xml"), NewsFile(5, 2 * kMegabyte).toStdString());
  EXPECT_EQ(ReadNewsValue(QString::fromStdString(cache.File("big.xml")),
                          QStringLiteral("XMLPackage.count"), QStringLiteral("number")),
            "error");
}

TEST(NewsLimits, OneReadGivesWhatEveryValueReadGives) {
  test::AppApplication();
  test::TScratchFolder folder("newsparse");
  const QString file = QString::fromStdString(folder.File("news.xml"));
  const auto same = [&](const QByteArray& text) {
    test::WriteText(file.toStdString(), text.toStdString());
    const TNewsFile news = ParseNewsFile(text, 4);
    EXPECT_EQ(news.Count, ReadNewsValue(file, "XMLPackage.count", "number")) << text.data();
    EXPECT_EQ(news.Latest, ReadNewsValue(file, "XMLPackage.videoversion", "number"));
    for (int i = 0; i < 4; ++i) {
      const QString row = QStringLiteral("XMLPackage.row%1").arg(i);
      EXPECT_EQ(news.Infos.value(i), ReadNewsValue(file, row, "info")) << text.data() << i;
      EXPECT_EQ(news.Urls.value(i), ReadNewsValue(file, row, "url")) << text.data() << i;
    }
  };
  same(NewsFile(3));
  // The first of each name counts; nested, padded or unknown names do not.
  same(
      "<XMLPackage><count number=\"1\"/><count number=\"2\"/><row1 info=\"a\"/>"
      "<row1 info=\"b\" url=\"u\"/><row01 info=\"c\"/><x><row0 info=\"d\"/></x>"
      "<row2><row3 info=\"e\"/></row2><row3 info=\"f\"/></XMLPackage>");
  same("<Package><count number=\"2\"/></Package>");         // another root
  same("<XMLPackage><count number=\"2\"/></XMLPackage><");  // not well-formed
  same("");
}

}  // namespace
}  // namespace qarvo
