#include <gtest/gtest.h>

#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "core/IniFile.h"
#include "core/RateEditor.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using test::WriteText;

constexpr const char* kDefinitions =
    "[formatInfo2900]\n"
    "Encoding=current\nVideoEncoder=AV1\n"
    "RateMode=constant quality,average bit rate,target size\niRateMode=0\n"
    "Quality=best (24),good (35)\niQuality=1\n"
    "Speed=slow (6),medium (8)\niSpeed=1\n"
    "TargetSize=8,25\niTargetSize=1\n"
    "[formatInfo2901]\n"
    "Encoding=current\nVideoEncoder=AV1\nSpeed=slow (6),medium (8)\niSpeed=7\n";

class RateEditorTest : public ::testing::Test {
 protected:
  RateEditorTest() : settings_(folder_.File("settings.ini")) {
    WriteText(folder_.File("formats.ini"), kDefinitions);
  }
  TRateEditor Editor(int code) {
    TRateEditor editor(folder_.File("formats.ini"), folder_.File("settings.ini"));
    editor.Load(code);
    return editor;
  }
  // What a run reads, to compare with what the boxes show.
  template <typename TRead>
  auto Run(TRead read, int code = 2900) const {
    const TIniSnapshot settings = settings_.Snapshot();
    return read(TFormatProfile(
        settings, ReadFormatDefinition(TIniFile(folder_.File("formats.ini")), code), code));
  }

  TScratchFolder folder_;
  TIniFile settings_;
};

TEST_F(RateEditorTest, StoredValuesNoItemHasShowWhatTheRunFallsBackTo) {
  settings_.WriteValues("formatInfo2900", {{"paraRateMode", "fastest possible"},
                                           {"paraQuality", "35"},
                                           {"paraSpeed", "8"},
                                           {"paraTargetSize", "7.25"}});
  TRateEditor editor = Editor(2900);
  EXPECT_EQ(editor.Box(TRateBox::RateMode).Text, "constant quality");
  EXPECT_EQ(Run([](const TFormatProfile& p) { return p.RateMode(); }), TRateMode::ConstantQuality);
  // Values stored as the encoder's numbers find their named items.
  EXPECT_EQ(editor.Box(TRateBox::Quality).Text, "good (35)");
  EXPECT_EQ(editor.Box(TRateBox::Speed).Text, "medium (8)");
  EXPECT_EQ(editor.Box(TRateBox::TargetSize).Text, "7.25");
  EXPECT_EQ(editor.Box(TRateBox::TargetSize).Index, -1);
  EXPECT_FALSE(editor.BitRateApplies());

  // A size that is none: the box and the run both take the format's default.
  settings_.WriteString("formatInfo2900", "paraTargetSize", "lots");
  editor.Load(2900);
  EXPECT_EQ(editor.Box(TRateBox::TargetSize).Text, "25");
  EXPECT_EQ(Run([](const TFormatProfile& p) { return p.TargetSizeBytes(); }), 25'000'000);

  editor.Choose(TRateBox::Speed, 0);
  EXPECT_EQ(settings_.ReadString("formatInfo2900", "paraSpeed", ""), "6");
  EXPECT_EQ(Run([](const TFormatProfile& p) { return p.Speed(); }), "6");
  editor.Choose(TRateBox::RateMode, 1);
  EXPECT_TRUE(editor.BitRateApplies());
  EXPECT_FALSE(editor.Box(TRateBox::Quality).Enabled);
  EXPECT_FALSE(editor.Box(TRateBox::TargetSize).Enabled);
  EXPECT_EQ(editor.Writes(), 2);
}

TEST_F(RateEditorTest, ADefaultOutsideTheListSelectsNothingAndWritesNothing) {
  TRateEditor editor = Editor(2901);
  EXPECT_TRUE(editor.Offered(TRateBox::Speed));
  EXPECT_FALSE(editor.Offered(TRateBox::RateMode));
  EXPECT_TRUE(editor.BitRateApplies());  // no mode: the bit rate counts as always
  EXPECT_EQ(editor.Box(TRateBox::Speed).Index, -1);
  editor.ResetToDefaults();
  EXPECT_EQ(editor.Writes(), 0);
  EXPECT_FALSE(settings_.ValueExists("formatInfo2901", "paraSpeed"));
}

}  // namespace
}  // namespace qarvo
