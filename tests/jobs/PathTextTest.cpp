// Names that are not UTF-8 through the window's text: kept exactly when the window made the
// text, and found again on disk when Qt decoded them itself (a file dialog's choice).
#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <string>

#include "jobs/PathText.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

QString QtDecoded(const std::string& bytes) { return QString::fromUtf8(bytes); }

TEST(PathText, ANameKeepsItsBytesAndShowsReplacementCharacters) {
  test::QtApplication();
  const std::string name = "/tmp/clip-\xe9t\xe9.avi";
  const QString text = PathText(name);
  EXPECT_EQ(PathBytes(text), name);
  EXPECT_EQ(ShownPath(text), QString::fromUtf8("/tmp/clip-\xef\xbf\xbdt\xef\xbf\xbd.avi"));
  // What Qt's own decoding keeps is lost: the reason for the escapes.
  EXPECT_NE(QtDecoded(name).toStdString(), name);
}

TEST(PathText, ADecodedNameIsFoundAgainOnlyWhenOneEntryMatches) {
  test::QtApplication();
  namespace fs = std::filesystem;
  test::TScratchFolder scratch("pathtext");
  const std::string folder = scratch.File("d\xe9j\xe0");  // a folder that is not UTF-8 either
  fs::create_directories(folder);
  const std::string clip = folder + "/clip-\xe9t\xe9.avi";
  const std::string plain = scratch.File("plain \xc3\xa9.avi");
  for (const std::string& file : {clip, plain}) std::ofstream(file) << "x";

  EXPECT_EQ(RecoverPathBytes(QtDecoded(clip)), clip);
  EXPECT_EQ(RecoverPathBytes(QtDecoded(plain)), plain);

  // Two names that read alike: no guess.
  std::ofstream(folder + "/clip-\xe8t\xe8.avi") << "x";
  EXPECT_EQ(RecoverPathBytes(QtDecoded(clip)), std::nullopt);
  EXPECT_EQ(RecoverPathBytes(QtDecoded(scratch.File("missing-\xe9.avi"))), std::nullopt);
}

// A dropped address carries the bytes percent-encoded: the list gets them as they are.
TEST(PathText, ADroppedNameKeepsItsBytes) {
  test::QtApplication();
  const std::string clip = "/tmp/clip-\xe9t\xe9 \xc3\xa9.avi";
  QMimeData mime;
  mime.setUrls(
      {QUrl(QString::fromLatin1(
           "file://" + QByteArray::fromStdString(clip).toPercentEncoding("/").toStdString())),
       QUrl(QStringLiteral("https://example.org/x.avi"))});
  const QStringList dropped = DroppedLocalPaths(&mime);
  ASSERT_EQ(dropped.size(), 1);
  EXPECT_EQ(PathBytes(dropped[0]), clip);
}

}  // namespace
}  // namespace qarvo
