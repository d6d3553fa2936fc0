// Names and defaults of the settings file's keys.
//
// Names compare without regard to case; some keys are written under one spelling and read
// under another, so the spelling here is only the one this program writes.
#pragma once

namespace qarvo::settings {

inline constexpr const char* kSection = "settings";
// One boolean per catalogue category, key = category number; 1 = collapsed.
inline constexpr const char* kCatalogueSection = "lstformat";
inline constexpr bool kCategoryCollapsedDefault = true;
// User profile of a format: this prefix + format code.
inline constexpr const char* kFormatSectionPrefix = "formatInfo";

// Output folder; default DefaultOutputFolder() (AppPaths.h).
inline constexpr const char* kOutPutDir = "OutPutDir";
inline constexpr const char* kOutPutFormat = "OutPutFormat";
inline constexpr int kOutPutFormatDefault = 0;
// Read as text at start-up and by the settings dialog, as an integer elsewhere.
inline constexpr const char* kFormatCode = "FormatCode";
inline constexpr const char* kFormatCodeDefault = "1";
inline constexpr int kFormatCodeDefaultInt = 1;
inline constexpr const char* kFormatName = "FormatName";
inline constexpr const char* kFormatNameDefault = "iPod Video MPEG-4";
inline constexpr const char* kFormatNameCatalogueDefault = "Apple iPod Video MPEG-4 Movie (*.mp4)";
// 0 idle, 1 normal, 2 lower, 3 lowest.
inline constexpr const char* kPriority = "priority";
inline constexpr int kPriorityDefault = 1;
inline constexpr int kPriorityMax = 3;
inline constexpr const char* kVolume = "volume";
inline constexpr int kVolumeDefault = 0;
inline constexpr int kVolumeMax = 128;
inline constexpr int kVolumeOutOfRange = 64;
inline constexpr const char* kMute = "mute";
inline constexpr int kMuteDefault = 0;
inline constexpr const char* kSkinIndex = "skinIndex";
inline constexpr int kSkinIndexDefault = 0;
inline constexpr int kSkinCount = 7;
// The main window's place and size (the toolkit's saved geometry, base64) and the job
// list's column widths ("140,65,90,120,60"), kept from one start to the next.
inline constexpr const char* kWindowGeometry = "mainWindowGeometry";
inline constexpr const char* kJobColumnWidths = "jobColumnWidths";
// Snapshot folder; default DefaultOutputFolder() (AppPaths.h).
inline constexpr const char* kSnapOutPutDir = "SnapOutPutDir";
inline constexpr const char* kSnapFullSize = "snapFullSize";
inline constexpr bool kSnapFullSizeDefault = true;
inline constexpr const char* kSnapSmallSize = "snapSmallSize";
inline constexpr bool kSnapSmallSizeDefault = true;
inline constexpr const char* kSnapBmp = "snapBmp";
inline constexpr bool kSnapBmpDefault = true;
inline constexpr const char* kSnapJpg = "snapJpg";
inline constexpr bool kSnapJpgDefault = true;
inline constexpr const char* kJpgCmp = "jpgCmp";
inline constexpr int kJpgCmpDefault = 30;

// Keep every snapshot under a dated name instead of the four fixed names.
inline constexpr const char* kKeepEverySnapshot = "keepEverySnapshot";
inline constexpr bool kKeepEverySnapshotDefault = false;
// Conversions open their decoders and encoders with automatic thread counts.
inline constexpr const char* kUseAllCores = "useAllCores";
inline constexpr bool kUseAllCoresDefault = true;
// Tasks run at once: 0 = automatic, else 1 to kSimultaneousJobsMax.
inline constexpr const char* kSimultaneousJobs = "simultaneousJobs";
inline constexpr int kSimultaneousJobsDefault = 0;
inline constexpr int kSimultaneousJobsMax = 8;
// Address of the news file; empty = no request.
inline constexpr const char* kNewsUrl = "newsUrl";
inline constexpr const char* kNewsUrlDefault = "";

}  // namespace qarvo::settings
