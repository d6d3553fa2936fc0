// A news row's link comes from the network: only web addresses reach the desktop's opener.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QTest>
#include <QUrl>

#include "jobs/NewsRows.h"
#include "jobs/TDesktopActions.h"
#include "jobs/TfrmProgress.h"

#include "support/NewsLog.h"
#include "support/QtApplication.h"

namespace qarvo {
namespace {

// Takes every address of these schemes that the desktop services are asked to open, so
// that nothing reaches a real browser or file manager.
class TOpenedUrls : public QObject {
  Q_OBJECT

 public:
  explicit TOpenedUrls(QStringList schemes) : schemes_(std::move(schemes)) {
    for (const QString& scheme : schemes_) QDesktopServices::setUrlHandler(scheme, this, "Open");
  }
  ~TOpenedUrls() override {
    for (const QString& scheme : schemes_) QDesktopServices::unsetUrlHandler(scheme);
  }
  QList<QUrl> urls;

 public slots:
  void Open(const QUrl& url) { urls << url; }

 private:
  QStringList schemes_;
};

const QStringList kSchemes{"http", "https", "file",   "smb",        "sftp",    "qarvo",
                           "data", "ftp",   "mailto", "javascript", "vnd.evil"};

const std::vector<std::string> kHostile{
    "smb://host/share/http",
    "file:///etc/passwd#http",
    "file:///home/user/.local/share/applications/evil.desktop?http",
    "qarvo://run/http",
    "vnd.evil:http",
    "javascript:alert('http')",
    "data:text/html,http",
    "sftp://host/http",
    "mailto:http@example.org",
    "http:no-host",
    "http://",
};

TEST(NewsLink, TheProgressWindowOpensOnlyWebAddressesAndLogsTheRest) {
  test::QtApplication();
  TOpenedUrls opened(kSchemes);
  TfrmProgress window;
  auto* newsLine = window.findChild<QLabel*>(QStringLiteral("mem1"));
  ASSERT_NE(newsLine, nullptr);
  const auto click = [&](const std::string& address) {
    window.Prepare({{"A news row", address}}, "Qarvo 3GP Video Converter", "3.4");
    QTest::mouseClick(newsLine, Qt::LeftButton);
    window.Finish();
  };
  for (const std::string& address : kHostile) {
    SCOPED_TRACE(address);
    test::TNewsLog log;
    click(address);
    EXPECT_TRUE(opened.urls.isEmpty());
    EXPECT_EQ(log.Matching(QtWarningMsg, "refused").size(), 1);
    opened.urls.clear();
  }
  {
    // A row without "http" is only shown, as ever: nothing opens and nothing is logged.
    test::TNewsLog log;
    click("news.example/no-link");
    EXPECT_TRUE(opened.urls.isEmpty());
    EXPECT_TRUE(log.Matching(QtWarningMsg, "refused").isEmpty());
  }
  click("https://news.example/a");
  click("http://news.example/b");
  click("HTTP://news.example/c");  // the text has no "http": the old rule keeps it closed
  ASSERT_EQ(opened.urls.size(), 2);
  EXPECT_EQ(opened.urls[0].host(), "news.example");
  EXPECT_EQ(opened.urls[0].scheme(), "https");
  EXPECT_EQ(opened.urls[0].query(QUrl::FullyDecoded), "Qarvo 3GP Video Converter 3.4");
  EXPECT_EQ(opened.urls[1].scheme(), "http");
}

TEST(NewsLink, TheDesktopOpenerRefusesEveryOtherScheme) {
  test::QtApplication();
  TOpenedUrls opened(kSchemes);
  test::TNewsLog log;
  for (const std::string& address : kHostile)
    EXPECT_FALSE(TDesktopActions::OpenWebAddress(QString::fromStdString(address))) << address;
  EXPECT_TRUE(opened.urls.isEmpty());
  EXPECT_EQ(log.Matching(QtWarningMsg, "refused").size(), static_cast<qsizetype>(kHostile.size()));
  EXPECT_TRUE(TDesktopActions::OpenWebAddress("https://news.example/page"));
  EXPECT_EQ(opened.urls, QList<QUrl>{QUrl("https://news.example/page")});
  // The rule itself, as the news check uses it for the feed's own address.
  EXPECT_TRUE(IsWebAddress("http://127.0.0.1:8080/news.xml"));
  EXPECT_TRUE(IsWebAddress("HTTPS://news.example"));
  EXPECT_FALSE(IsWebAddress("news.example/news.xml"));
  EXPECT_FALSE(IsWebAddress(""));
}

}  // namespace
}  // namespace qarvo

#include "NewsLinkTest.moc"
