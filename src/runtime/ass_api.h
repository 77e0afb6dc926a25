#pragma once
// The parts of libass's C interface the player calls, declared here: the
// library is loaded at run time and its headers are not needed to build.
// Layouts follow libass's stable ABI (soname libass.so.9).
#include <cstdarg>
#include <cstdint>
#include <string>

extern "C" {
struct ASS_Library;
struct ASS_Renderer;
struct ASS_Track;

struct ASS_Image {
  int w, h;
  int stride;
  unsigned char* bitmap;  // one alpha byte a pixel
  uint32_t color;         // 0xRRGGBBTT, TT transparency
  int dst_x, dst_y;
  ASS_Image* next;
  int type;
};

enum { ZV_ASS_FONTPROVIDER_AUTODETECT = 1 };
}

namespace zv {

// libass entry points; nil until bound.
struct TAssEntryPoints {
  ASS_Library* (*ass_library_init)() = nullptr;
  void (*ass_library_done)(ASS_Library*) = nullptr;
  void (*ass_set_message_cb)(ASS_Library*, void (*)(int, const char*, va_list, void*), void*) = nullptr;
  void (*ass_set_extract_fonts)(ASS_Library*, int) = nullptr;
  void (*ass_add_font)(ASS_Library*, const char*, const char*, int) = nullptr;
  ASS_Renderer* (*ass_renderer_init)(ASS_Library*) = nullptr;
  void (*ass_renderer_done)(ASS_Renderer*) = nullptr;
  void (*ass_set_frame_size)(ASS_Renderer*, int, int) = nullptr;
  void (*ass_set_storage_size)(ASS_Renderer*, int, int) = nullptr;
  void (*ass_set_margins)(ASS_Renderer*, int, int, int, int) = nullptr;
  void (*ass_set_use_margins)(ASS_Renderer*, int) = nullptr;
  void (*ass_set_line_position)(ASS_Renderer*, double) = nullptr;
  void (*ass_set_fonts)(ASS_Renderer*, const char*, const char*, int, const char*, int) = nullptr;
  ASS_Track* (*ass_new_track)(ASS_Library*) = nullptr;
  void (*ass_free_track)(ASS_Track*) = nullptr;
  void (*ass_process_codec_private)(ASS_Track*, const char*, int) = nullptr;
  void (*ass_process_chunk)(ASS_Track*, const char*, int, long long, long long) = nullptr;
  void (*ass_process_data)(ASS_Track*, const char*, int) = nullptr;
  void (*ass_flush_events)(ASS_Track*) = nullptr;
  ASS_Image* (*ass_render_frame)(ASS_Renderer*, ASS_Track*, long long, int*) = nullptr;
};

// uchardet entry points; nil until bound.
struct TCharsetEntryPoints {
  void* (*uchardet_new)() = nullptr;
  void (*uchardet_delete)(void*) = nullptr;
  int (*uchardet_handle_data)(void*, const char*, size_t) = nullptr;
  void (*uchardet_data_end)(void*) = nullptr;
  const char* (*uchardet_get_charset)(void*) = nullptr;
};

constexpr const char* AssLibFileName = "libass.so.9";
constexpr const char* CharsetLibFileName = "libuchardet.so.0";

// Loads libass once for the process (from the media libraries' folder, else
// the system); nil when it cannot be loaded, after one log line saying why
// text subtitles are off. Thread-safe.
const TAssEntryPoints* AssLibrary();
// The same for uchardet (encoding guesses of subtitle files).
const TCharsetEntryPoints* CharsetLibrary();
// libass's notes: its errors go to the log, the rest nowhere.
void AssMessage(int level, const char* fmt, va_list args, void* data);
// The folder tried first; set before the first call (the player sets it when it loads its libraries).
void SetTextLibrariesFolder(const std::string& folder);

}  // namespace zv
