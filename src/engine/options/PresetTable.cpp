#include "engine/options/PresetTable.h"

#include <strings.h>

#include <array>

namespace qarvo {

namespace {

// One row of the libx264 matrix; an empty value means the line is absent.
struct TMatrixRow {
  const char* Name;
  const char* Coder;
  const char* Flags;
  const char* Partitions;
  const char* MeMethod;
  const char* Subq;
  const char* MeRange;
  const char* ScThreshold;
  const char* BStrategy;
  const char* Bf;
  const char* Refs;
  const char* DirectPred;
  const char* Trellis;
  const char* Flags2;
  const char* Wpredp;
  const char* Cqp;
};

constexpr const char* kAll = "+parti8x8+parti4x4+partp8x8+partb8x8";
constexpr const char* kNone = "-parti8x8-parti4x4-partp8x8-partb8x8";
constexpr const char* kAll5 = "+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8";
constexpr const char* kFirstPass2 = "+bpyramid-mixed_refs+wpred-dct8x8+fastpskip";
constexpr const char* kFirstPassMb = "+bpyramid-mixed_refs+wpred-dct8x8+fastpskip-mbtree";

constexpr std::array<TMatrixRow, 32> kMatrix = {{
    {"libx264-default", "1", "+loop", kAll, "hex", "7", "16", "40", "1", "3", "3", "1", "1",
     "+mixed_refs+wpred+dct8x8+fastpskip", "2", ""},
    {"libx264-fast", "1", "+loop", kAll, "hex", "6", "16", "40", "1", "3", "2", "1", "1",
     "+bpyramid+mixed_refs+wpred+dct8x8+fastpskip", "2", ""},
    {"libx264-fast_firstpass", "1", "+loop", kNone, "dia", "2", "16", "40", "1", "3", "1", "1", "0",
     kFirstPass2, "2", ""},
    {"libx264-faster", "1", "+loop", kAll, "hex", "4", "16", "40", "1", "3", "2", "1", "1",
     "+bpyramid-mixed_refs+wpred+dct8x8+fastpskip", "1", ""},
    {"libx264-faster_firstpass", "1", "+loop", kNone, "dia", "2", "16", "40", "1", "3", "1", "1",
     "0", kFirstPass2, "1", ""},
    {"libx264-fastfirstpass", "1", "+loop", "-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8", "dia",
     "2", "16", "40", "1", "3", "1", "3", "0", "-bpyramid-wpred-mixed_refs-dct8x8+fastpskip", "2",
     ""},
    {"libx264-hq", "1", "+loop", kAll, "umh", "8", "16", "40", "2", "3", "4", "3", "1",
     "+wpred+mixed_refs+dct8x8+fastpskip", "2", ""},
    {"libx264-lossless_fast", "0", "+loop", "-parti8x8+parti4x4+partp8x8-partp4x4-partb8x8", "hex",
     "3", "16", "40", "1", "", "", "1", "", "+fastpskip", "0", "0"},
    {"libx264-lossless_max", "1", "+loop", "+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8", "esa",
     "8", "16", "40", "1", "", "16", "1", "", "+mixed_refs+dct8x8+fastpskip", "2", "0"},
    {"libx264-lossless_medium", "1", "+loop", "-parti8x8+parti4x4+partp8x8+partp4x4-partb8x8",
     "hex", "5", "16", "40", "1", "", "", "1", "", "+fastpskip", "2", "0"},
    {"libx264-lossless_slow", "1", "+loop", "+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8", "umh",
     "6", "16", "40", "1", "", "2", "1", "", "+dct8x8+fastpskip", "2", "0"},
    {"libx264-lossless_slower", "1", "+loop", "+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8",
     "umh", "8", "16", "40", "1", "", "4", "1", "", "+mixed_refs+dct8x8+fastpskip", "2", "0"},
    {"libx264-lossless_ultrafast", "0", "+loop", "-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8",
     "dia", "0", "16", "40", "1", "", "", "1", "", "+fastpskip", "", "0"},
    {"libx264-max", "1", "+loop", kAll5, "tesa", "10", "24", "40", "2", "3", "16", "3", "2",
     "+wpred+mixed_refs+dct8x8-fastpskip", "2", ""},
    {"libx264-medium", "1", "+loop", kAll, "hex", "7", "16", "40", "1", "3", "3", "1", "1",
     "+bpyramid+mixed_refs+wpred+dct8x8+fastpskip", "2", ""},
    {"libx264-medium_firstpass", "1", "+loop", kNone, "dia", "2", "16", "40", "1", "3", "1", "1",
     "0", kFirstPass2, "2", ""},
    {"libx264-normal", "1", "+loop", kAll, "hex", "6", "16", "40", "1", "3", "2", "3", "0",
     "+wpred+dct8x8+fastpskip", "2", ""},
    {"libx264-placebo", "1", "+loop", kAll5, "tesa", "10", "24", "40", "2", "16", "16", "3", "2",
     "+bpyramid+mixed_refs+wpred+dct8x8-fastpskip", "2", ""},
    {"libx264-placebo_firstpass", "1", "+loop", kAll5, "tesa", "10", "24", "40", "2", "16", "16",
     "3", "2", "+bpyramid+mixed_refs+wpred+dct8x8-fastpskip", "2", ""},
    {"libx264-slow", "1", "+loop", kAll, "umh", "8", "16", "40", "2", "3", "5", "3", "1",
     "+bpyramid+mixed_refs+wpred+dct8x8+fastpskip", "2", ""},
    {"libx264-slow_firstpass", "1", "+loop", kNone, "dia", "2", "16", "40", "2", "3", "1", "3", "0",
     kFirstPass2, "2", ""},
    {"libx264-slower", "1", "+loop", kAll5, "umh", "9", "16", "40", "2", "3", "8", "3", "2",
     "+bpyramid+mixed_refs+wpred+dct8x8+fastpskip", "2", ""},
    {"libx264-slower_firstpass", "1", "+loop", kNone, "dia", "2", "16", "40", "2", "3", "1", "3",
     "0", kFirstPass2, "2", ""},
    {"libx264-slowfirstpass", "1", "+loop", kAll, "hex", "6", "16", "40", "2", "3", "1", "3", "0",
     "+wpred+dct8x8+fastpskip", "2", ""},
    {"libx264-superfast", "1", "+loop", "+parti8x8+parti4x4-partp8x8-partb8x8", "dia", "1", "16",
     "40", "1", "3", "1", "1", "0", "+bpyramid-mixed_refs+wpred+dct8x8+fastpskip-mbtree", "0", ""},
    {"libx264-superfast_firstpass", "1", "+loop", kNone, "dia", "1", "16", "40", "1", "3", "1", "1",
     "0", kFirstPassMb, "0", ""},
    {"libx264-ultrafast", "0", "-loop", kNone, "dia", "0", "16", "0", "0", "0", "1", "1", "0",
     "-bpyramid-mixed_refs-wpred-dct8x8+fastpskip-mbtree", "0", ""},
    {"libx264-ultrafast_firstpass", "0", "-loop", kNone, "dia", "0", "16", "0", "0", "0", "1", "1",
     "0", "-bpyramid-mixed_refs-wpred-dct8x8+fastpskip-mbtree", "0", ""},
    {"libx264-veryfast", "1", "+loop", kAll, "hex", "2", "16", "40", "1", "3", "1", "1", "0",
     "+bpyramid-mixed_refs+wpred+dct8x8+fastpskip-mbtree", "0", ""},
    {"libx264-veryfast_firstpass", "1", "+loop", kNone, "dia", "2", "16", "40", "1", "3", "1", "1",
     "0", kFirstPassMb, "0", ""},
    {"libx264-veryslow", "1", "+loop", kAll5, "umh", "10", "24", "40", "2", "8", "16", "3", "2",
     "+bpyramid+mixed_refs+wpred+dct8x8+fastpskip", "2", ""},
    {"libx264-veryslow_firstpass", "1", "+loop", kNone, "dia", "2", "24", "40", "2", "8", "1", "3",
     "0", kFirstPass2, "2", ""},
}};

void AddLine(std::string& text, const char* name, const char* value) {
  if (!*value) return;
  if (!text.empty()) text += '\n';
  text += name;
  text += '=';
  text += value;
}

std::string MatrixText(const TMatrixRow& row) {
  std::string text;
  AddLine(text, "coder", row.Coder);
  AddLine(text, "flags", row.Flags);
  AddLine(text, "cmp", "+chroma");
  AddLine(text, "partitions", row.Partitions);
  AddLine(text, "me_method", row.MeMethod);
  AddLine(text, "subq", row.Subq);
  AddLine(text, "me_range", row.MeRange);
  AddLine(text, "g", "250");
  AddLine(text, "keyint_min", "25");
  AddLine(text, "sc_threshold", row.ScThreshold);
  AddLine(text, "i_qfactor", "0.71");
  AddLine(text, "b_strategy", row.BStrategy);
  AddLine(text, "qcomp", "0.6");
  AddLine(text, "qmin", "10");
  AddLine(text, "qmax", "51");
  AddLine(text, "qdiff", "4");
  AddLine(text, "bf", row.Bf);
  AddLine(text, "refs", row.Refs);
  AddLine(text, "directpred", row.DirectPred);
  AddLine(text, "trellis", row.Trellis);
  AddLine(text, "flags2", row.Flags2);
  AddLine(text, "cqp", row.Cqp);
  AddLine(text, "wpredp", row.Wpredp);
  return text;
}

// The portable-player family; the variants differ in a few lines.
struct TPlayerPreset {
  const char* Coder;
  const char* Partitions;
  bool WithBf;
  const char* BitRate;  // empty: no b line
  const char* MaxRate;
};

std::string PlayerText(const TPlayerPreset& p) {
  std::string text;
  AddLine(text, "coder", p.Coder);
  AddLine(text, "flags", "+loop");
  AddLine(text, "level", "30");
  AddLine(text, "cmp", "+chroma");
  AddLine(text, "partitions", p.Partitions);
  AddLine(text, "me_method", "umh");
  AddLine(text, "subq", "7");
  AddLine(text, "me_range", "16");
  AddLine(text, "g", "250");
  AddLine(text, "keyint_min", "25");
  AddLine(text, "sc_threshold", "40");
  AddLine(text, "i_qfactor", "0.71");
  AddLine(text, "b_strategy", "1");
  AddLine(text, "qcomp", "0.6");
  AddLine(text, "qmin", "10");
  AddLine(text, "qmax", "51");
  AddLine(text, "qdiff", "4");
  if (p.WithBf) AddLine(text, "bf", "3");
  AddLine(text, "refs", "1");
  AddLine(text, "directpred", "1");
  AddLine(text, "trellis", "2");
  AddLine(text, "b", p.BitRate);
  AddLine(text, "maxrate", p.MaxRate);
  AddLine(text, "bufsize", "4000000");
  AddLine(text, "bt", "256000");
  AddLine(text, "sc_threshold", "40");
  return text;
}

std::vector<TOptionsPreset> MakeTable() {
  constexpr const char* kPlayerParts = "+parti4x4+parti8x8+partp8x8+partb8x8";
  const std::string psp = PlayerText({"1", kPlayerParts, true, "1250000", "1500000"});
  const std::string ps3 = PlayerText({"1", kPlayerParts, true, "", "3500000"});
  const std::string ipod =
      PlayerText({"0", "+parti4x4+parti8x8+partp8x8", false, "1000000", "1250000"});
  std::vector<TOptionsPreset> table;
  table.push_back({"libx264-baseline", "coder=0\nbf=0\nflags2=-wpred-dct8x8\nwpredp=0"});
  for (const auto& row : kMatrix) {
    table.push_back({row.Name, MatrixText(row)});
    if (table.back().Name == "libx264-hq") {
      table.push_back({"libx264-ipod320",
                       "coder=0\nbf=0\nflags2=-wpred-dct8x8\nlevel=13\nmaxrate=768000\n"
                       "bufsize=3000000\nwpredp=0"});
      table.push_back({"libx264-ipod640",
                       "coder=0\nbf=0\nrefs=1\nflags2=-wpred-dct8x8\nlevel=30\n"
                       "maxrate=10000000\nbufsize=10000000\nwpredp=0"});
    } else if (table.back().Name == "libx264-lossless_ultrafast") {
      table.push_back({"libx264-main", "flags2=-dct8x8"});
    }
  }
  table.push_back({"libx264-psp", psp});
  table.push_back({"libx264-ps3", ps3});
  table.push_back({"libx264-ipod", ipod});
  table.push_back({"libx264-mp4", psp});
  return table;
}

}  // namespace

const std::vector<TOptionsPreset>& BuiltInPresets() {
  static const std::vector<TOptionsPreset> table = MakeTable();
  return table;
}

std::string PresetBaseLines(const std::string& presetName) {
  if (strncasecmp(presetName.c_str(), "libx264-", 8) != 0) return {};
  std::string text = "bf=0\nflags2=-bpyramid-wpred-dct8x8-mixed_refs\nwpredp=0";
  static const char* const kBaseline[] = {"ipod", "ipod320", "ipod640", "baseline"};
  static const char* const kMain[] = {"psp", "ps3", "main"};
  const char* device = presetName.c_str() + 8;
  for (const char* name : kBaseline)
    if (strcasecmp(device, name) == 0) text += "\nprofile=66";
  for (const char* name : kMain)
    if (strcasecmp(device, name) == 0) text += "\nprofile=77";
  return text;
}

const TOptionsPreset* FindBuiltInPreset(const std::string& name) {
  for (const auto& preset : BuiltInPresets())
    if (strcasecmp(preset.Name.c_str(), name.c_str()) == 0) return &preset;
  return nullptr;
}

}  // namespace qarvo
