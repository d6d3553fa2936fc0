// The two catalogue tables, names exactly as the program shows them.
#include "core/FormatCatalogue.h"

#include <algorithm>
#include <cctype>

#include "base/AsciiText.h"

namespace qarvo {
namespace {

TCatalogueTable MakeGeneral() {
  // Categories 0..7 carry their number + 100 (see FormatCatalogue.h).
  return {
      "general",
      {
          {100,
           "Apple iPod",
           {"iPod Video MPEG-4 (*.mp4)", "iPod Video H.264 (*.mp4)",
            "iPod MPEG-4 Excellent (320 x 240)(*.mp4)", "iPod MPEG-4 Normal (320 x 240)(*.mp4)",
            "iPod MPEG-4 Mini (320 x 240)(*.mp4)", "iPod Touch MPEG-4 Excellent (*.mp4)",
            "iPod Touch MPEG-4 (480 x 320) (*.mp4)", "iPod Touch MPEG-4 (320 x 240) (*.mp4)",
            "iPod Touch MPEG-4 Wide Screen (*.mp4)"}},
          {101,
           "Apple iPhone",
           {"iPhone MPEG-4 Extra Video (*.mp4)", "iPhone MPEG-4 Wide Screen (*.mp4)",
            "iPhone MPEG-4 Movie (*.mp4)", "iPhone Movie for 480p TV Out (*.mp4)",
            "iPhone Movie for 576p TV Out (*.mp4)"}},
          {102,
           "Apple TV",
           {"Apple TV (640 x 480) MPEG-4 Excellent (*.mp4)",
            "Apple TV (640 x 480) MPEG-4 Normal (*.mp4)",
            "Apple TV (640 x 480) MPEG-4 Mini (*.mp4)", "Apple H.264 (320 x 240) (*.mp4)",
            "Apple H.264 480P (640 x 480) (*.mp4)", "Apple H.264 720p (1280 x 720) (*.mp4)"}},
          {103, "GPhone", {"GPhone MPEG-4 Movie (*.mp4)"}},
          {104,
           "Sony PSP",
           {"PSP MPEG-4 Excellent Quality (*.mp4)", "PSP MPEG-4 Normal Quality (*.mp4)",
            "PSP MPEG-4 Mini Size (*.mp4)", "PSP H.264/AVC Video (*.mp4)",
            "PSP Video (480P) (*.mp4)"}},
          {105,
           "Sony PS3",
           {"PS3 MPEG-4 Video (480P) (*.mp4)", "PS3 MPEG-4 Video (480P) Excellent (*.mp4)",
            "PS3 MPEG-4 Video (720P) (*.mp4)", "PS3 MPEG-4 Video (1080P) (*.mp4)"}},
          {106,
           "Microsoft Zune",
           {"Microsoft Zune MPEG-4 Video (*.mp4)", "Microsoft Zune MPEG-4 AVC Video (*.mp4)",
            "Microsoft Zune Windows Media Video (*.wmv)"}},
          {107,
           "Sony Walkman",
           {"Sony Walkman MPEG-4 Video (*.mp4)", "Sony Walkman AVC Video (*.mp4)",
            "Sony Walkman WMV Video (*.wmv)"}},
          {8,
           "Archos",
           {"Archos H.264 Video (*.mp4)", "Archos MPEG4 Video (*.mp4)", "Archos 105 Video (*.wmv)",
            "Archos 404/405 Video (*.avi)", "Archos 504/604 Video (*.avi)",
            "Archos 605/705/TV+ Video (*.avi)", "Archos AV500/700 Video (*.avi)"}},
          {9,
           "Creative Zen",
           {"Creative Zen H.264 Video (*.mp4)", "Creative Zen MPEG4 Video (*.mp4)",
            "Creative Zen Xvid Video (*.avi)", "Creative Zen X-Fi Video (*.avi)",
            "Creative Zen Vison Video (*.avi)", "Creative Zen Vison M Video (*.avi)",
            "Creative Zen Vison W Video (*.avi)"}},
          {10,
           "iRiver",
           {"iRiver H.264 Video (*.mp4)", "iRiver MPEG4 Video (*.mp4)", "iRiver WMV Video (*.wmv)",
            "iRiver Xvid Video (*.avi)", "iRiver E10 Video (*.avi)",
            "iRiver U10/Clix Video (*.avi)", "iRiver B20/X20/Clix 2/E100/Lplayer Video (*.avi)",
            "iRiver Spinn/D28/DICPLE D30 Video (*.avi)", "iRiver P10/P20 Video (*.avi)",
            "iRiver PMP-120/140/IMP-1000/1100 Video (*.avi)"}},
          {11,
           "Sandisk Sansa",
           {"Sandisk Sansa AVI Video (*.avi)", "Sandisk Sansa WMV Video (*.wmv)",
            "Sandisk Sansa MPEG-4 Video (*.mp4)"}},
          {12,
           "Microsoft xbox 360",
           {"Microsoft Xbox WMV Video (*.wmv)", "Microsoft Xbox AVI Video (*.avi)",
            "Microsoft Xbox MPEG-4 Video (*.mp4)"}},
          {13,
           "Nitendeo WII",
           {"Nitendeo Wii AVI Video (*.avi)", "Nitendeo Wii MOV Video (*.mov)"}},
          {14,
           "Mobile Phone",
           {"Mobile Phone 3GP h263 Video(*.3gp)", "Mobile Phone 3GP MPEG-4 Video(*.3gp)",
            "Mobile Phone 3GP2 h263 Video(*.3gp)", "Mobile Phone 3GP2 MPEG-4 Video(*.3gp)",
            "Mobile Phone MPEG-4 Video(*.mp4)", "Nokia N Series MPEG-4 Video(*.mp4)"}},
          {15, "BlackBerry", {"BlackBerry MPEG-4 Video(*.mp4)"}},
          {16, "Nokia", {"Nokia N Series MPEG-4 Video (*.mp4)"}},
          {17,
           "Windows Mobile",
           {"Dell Axim 51 Video (*.wmv)", "Dell Axim 51V Video (*.wmv)",
            "HP iPAQ hw6500 Series Video (*.wmv)",
            "HP iPAQ hx2000/rx3000/rx1900 Series Video (*.wmv)",
            "HP iPAQ hx4700 Series Video (*.wmv)", "Palm Treo Series Video (*.wmv)",
            "HTC Touch Diamond Video (*.wmv)", "General Pocket PC Video (*.wmv)"}},
          {18, "Quick Time Video - MOV", {"MOV - Quick Time Video (*.mov)"}},
          {19, "Flash Video", {"Flash Video Format (*.flv)", "Flash SWF Format (*.swf)"}},
          {20, "Toshiba Gigabeat", {"Toshiba Gigabeat WMV Movie (*.wmv)"}},
          {21,
           "HD Video",
           {"HD AVI Video (*.avi)", "HD Divx Video (*.avi)", "HD H.264/MPEG-4 AVC Video (*.mp4)",
            "HD MOV Video (*.mov)", "HD WMV Video (*.wmv)", "HD MPEG-4 Video (*.mp4)",
            "HD Xvid Video (*.avi)", "HD MPEG2-PS Video (*.mpg)", "HD MPEG2-TS Video (*.ts)"}},
          {22, "DVD Video", {"DVD - NTSC MPEG-2 Moive (*.mpg)", "DVD - PAL MPEG-2 Moive (*.mpg)"}},
          {23,
           "SVCD Video",
           {"SVCD - NTSC MPEG-2 Moive (*.mpg)", "SVCD - PAL MPEG-2 Moive (*.mpg)"}},
          {24, "VCD Video", {"VCD - NTSC MPEG-1 Moive (*.mpg)", "VCD - PAL MPEG-1 Moive (*.mpg)"}},
          {25, "Matroska Video - MKV", {"MKV - Matroska Video (*.mkv)"}},
          {26,
           "General Video formates",
           {"MPEG-1 Video (*.mpg)", "MPEG-2 Video (*.mpg)", "MPEG-4 Video (*.mp4)",
            "H.264/MPEG-4 AVC Video (*.mp4)", "AVI Video (*.avi)", "WMV Video (*.wmv)",
            "Divx Video (*.avi)", "Xvid Video (*.avi)", "DV - NTSC -Digital Video Format (*.dv)",
            "DV - PAL -Digital Video Format (*.dv)"}},
          {27,
           "General Audio formates",
           {"MP3 MPEG Layer-3 Audio (*.mp3)", "AAC Advenced Audio Codec (*.aac)",
            "M4A MPEG-4 Audio (*.m4a)", "WMA - Windows Meida Audio (*.wma)",
            "WAV - Waveform Audio (*.wav)", "OGG Vorbis Audio Codec (*.ogg)",
            "AC-3 Audio Codec (*.ac3)"}},
      }};
}

TCatalogueTable MakeThreeGp() {
  return {"3gp",
          {
              {0,
               "Apple iPhone",
               {"iPhone MPEG-4 Extra Video (*.mp4)", "iPhone MPEG-4 Wide Screen (*.mp4)",
                "iPhone MPEG-4 Movie (*.mp4)", "iPhone Movie for 480p TV Out (*.mp4)",
                "iPhone Movie for 576p TV Out (*.mp4)"}},
              {1, "GPhone", {"GPhone MPEG-4 Movie (*.mp4)"}},
              {2,
               "Mobile Phone",
               {"Mobile Phone 3GP h263 Video(*.3gp)", "Mobile Phone 3GP MPEG-4 Video(*.3gp)",
                "Mobile Phone 3GP2 h263 Video(*.3gp)", "Mobile Phone 3GP2 MPEG-4 Video(*.3gp)",
                "Mobile Phone MPEG-4 Video(*.mp4)", "Nokia N Series MPEG-4 Video(*.mp4)"}},
              {3, "BlackBerry", {"BlackBerry MPEG-4 Video(*.mp4)"}},
              {4, "Nokia", {"Nokia N Series MPEG-4 Video (*.mp4)"}},
              {5,
               "Windows Mobile",
               {"Dell Axim 51 Video (*.wmv)", "Dell Axim 51V Video (*.wmv)",
                "HP iPAQ hw6500 Series Video (*.wmv)",
                "HP iPAQ hx2000/rx3000/rx1900 Series Video (*.wmv)",
                "HP iPAQ hx4700 Series Video (*.wmv)", "Palm Treo Series Video (*.wmv)",
                "HTC Touch Diamond Video (*.wmv)", "General Pocket PC Video (*.wmv)"}},
              {6,
               "General Video formates",
               {"MPEG-1 Video (*.mpg)", "MPEG-2 Video (*.mpg)", "MPEG-4 Video (*.mp4)",
                "H.264/MPEG-4 AVC Video (*.mp4)", "AVI Video (*.avi)", "WMV Video (*.wmv)",
                "Divx Video (*.avi)", "Xvid Video (*.avi)",
                "DV - NTSC -Digital Video Format (*.dv)", "DV - PAL -Digital Video Format (*.dv)"}},
              {7,
               "General Audio formates",
               {"MP3 MPEG Layer-3 Audio (*.mp3)", "AAC Advenced Audio Codec (*.aac)",
                "M4A MPEG-4 Audio (*.m4a)", "WMA - Windows Meida Audio (*.wma)",
                "WAV - Waveform Audio (*.wav)", "OGG Vorbis Audio Codec (*.ogg)",
                "AC-3 Audio Codec (*.ac3)"}},
          }};
}

TCatalogueTable MakeCurrent() {
  // Numbered after the general table's last category, so codes stay category x 100 + slot.
  return {"current",
          {
              {28,
               "Video for every player (H.264, HEVC)",
               {"H.264 MP4, same size as the source", "H.264 MP4 2160p (4K)", "H.264 MP4 1080p",
                "H.264 MP4 720p", "H.264 MP4 480p", "HEVC MP4 (H.265, 8-bit)",
                "HEVC MP4 (H.265, 10-bit)"}},
              {29,
               "AV1, VP9 and Matroska",
               {"AV1 MP4", "AV1 MKV (Matroska)", "VP9 + Opus WebM", "Matroska H.264 (MKV)",
                "Matroska HEVC (MKV)"}},
              {30,
               "Phones, tablets, TVs and consoles",
               {"Android phone (H.264, MP4)", "Android tablet (H.264, MP4)",
                "iPhone & iPad (H.264, MP4)", "Apple TV 4K (HEVC, MP4)",
                "Chromecast & Google TV (H.264, MP4)", "Fire TV (H.264, MP4)", "Roku (H.264, MP4)",
                "PlayStation 4 & 5 (H.264, MP4)", "Xbox One & Series (H.264, MP4)",
                "Smart TV from a USB stick (H.264, MP4)"}},
              {31,
               "Web pages and animations",
               {"Web page (H.264, MP4)", "Web page (VP9, WebM)", "Animated GIF", "Animated WebP"}},
              {32,
               "Chat and mail: fit into a size",
               {"Fit into 8 MB (MP4)", "Fit into 10 MB (MP4)", "Fit into 16 MB (MP4)",
                "Fit into 25 MB (MP4)", "Fit into 50 MB (MP4)", "Fit into 100 MB (MP4)",
                "Fit into a size you type (MP4)"}},
              {33,
               "Sound only",
               {"MP3, variable bit rate (*.mp3)", "MP3, constant bit rate (*.mp3)", "AAC (*.m4a)",
                "Opus (*.opus)", "FLAC, lossless (*.flac)", "WAV (*.wav)",
                "Keep the sound as it is (*.mka)"}},
          }};
}

}  // namespace

const TCatalogueTable& GeneralCatalogue() {
  static const TCatalogueTable table = MakeGeneral();
  return table;
}

const TCatalogueTable& ThreeGpCatalogue() {
  static const TCatalogueTable table = MakeThreeGp();
  return table;
}

const TCatalogueTable& CurrentCatalogue() {
  static const TCatalogueTable table = MakeCurrent();
  return table;
}

const std::vector<const TCatalogueTable*>& CatalogueTables() {
  static const std::vector<const TCatalogueTable*> tables{&GeneralCatalogue(), &ThreeGpCatalogue(),
                                                          &CurrentCatalogue()};
  return tables;
}

int FormatCode(int categoryNumber, int slot) { return categoryNumber * kCategoryCodeFactor + slot; }

std::vector<TCatalogueFormat> AllCatalogueFormats() {
  std::vector<TCatalogueFormat> formats;
  for (const TCatalogueTable* table : CatalogueTables())
    for (const TCatalogueCategory& category : table->Categories)
      for (size_t slot = 0; slot < category.Formats.size(); ++slot)
        formats.push_back(
            {FormatCode(category.Number, static_cast<int>(slot)), category.Formats[slot]});
  return formats;
}

std::optional<std::string> CatalogueFormatName(int code) {
  const int number = code / kCategoryCodeFactor;
  const int slot = code % kCategoryCodeFactor;
  if (code < 0) return std::nullopt;
  for (const TCatalogueTable* table : CatalogueTables())
    for (const TCatalogueCategory& category : table->Categories)
      if (category.Number == number && slot < static_cast<int>(category.Formats.size()))
        return category.Formats[slot];
  return std::nullopt;
}

std::vector<TCatalogueFormat> FormatsNamedBy(const std::string& part) {
  const auto first = part.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const std::string wanted =
      AsciiLower(part.substr(first, part.find_last_not_of(" \t") - first + 1));
  std::vector<TCatalogueFormat> whole, holding, current;
  const int firstCurrent = CurrentCatalogue().Categories.front().Number;
  for (const TCatalogueFormat& format : AllCatalogueFormats()) {
    const std::string name = AsciiLower(format.Name);
    if (name == wanted) whole.push_back(format);
    if (name.find(wanted) == std::string::npos) continue;
    holding.push_back(format);
    if (format.Code / kCategoryCodeFactor >= firstCurrent &&
        format.Code < kGeneralCollisionCategoryOffset * kCategoryCodeFactor)
      current.push_back(format);
  }
  if (!whole.empty()) return whole;
  if (current.size() == 1) return current;
  return holding;
}

}  // namespace qarvo
