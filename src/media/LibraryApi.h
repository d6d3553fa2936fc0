// Typed table of every media-library and SDL entry point the media stack calls.
//
// The libraries are loaded at run time, never linked: each member's type is taken from the
// real header (decltype(&::name)), so a wrong signature fails to compile and a direct call
// that bypasses the table fails to link. To use a new entry point, add it to its library's
// list in LibraryEntryPoints.h;
// binding picks it up by name.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavcodec/dv_profile.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}
#include <SDL2/SDL.h>

#include "media/LibraryEntryPoints.h"

namespace qarvo {

// NOLINTNEXTLINE(bugprone-macro-parentheses): a declaration, the name cannot be parenthesised
#define QARVO_DECLARE_ENTRY(name) decltype(&::name) name = nullptr;

// One member per entry point; all members of a library are set together or not at all.
struct TLibraryApi {
  QARVO_AVCODEC_FUNCTIONS(QARVO_DECLARE_ENTRY)
  QARVO_AVDEVICE_FUNCTIONS(QARVO_DECLARE_ENTRY)
  QARVO_AVFILTER_FUNCTIONS(QARVO_DECLARE_ENTRY)
  QARVO_AVFORMAT_FUNCTIONS(QARVO_DECLARE_ENTRY)
  QARVO_AVUTIL_FUNCTIONS(QARVO_DECLARE_ENTRY)
  QARVO_SWSCALE_FUNCTIONS(QARVO_DECLARE_ENTRY)
  QARVO_SWRESAMPLE_FUNCTIONS(QARVO_DECLARE_ENTRY)
  QARVO_SDL_FUNCTIONS(QARVO_DECLARE_ENTRY)
};

#undef QARVO_DECLARE_ENTRY

// The program-wide table, filled by the program-wide loader (TLibraryLoader::Instance()).
// Callers check that their library set is loaded before calling through it.
const TLibraryApi& api();

}  // namespace qarvo
