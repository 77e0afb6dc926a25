#include <exception>
#include <mutex>
#include <string>

#include "runtime/ass_api.h"
#include "runtime/library_binding.h"
#include "runtime/logger.h"

namespace zv {

namespace {

std::mutex& FolderLock() {
  static std::mutex lock;
  return lock;
}
std::string& Folder() {  // guarded by FolderLock()
  static std::string folder;
  return folder;
}
std::string CurrentFolder() {
  std::lock_guard<std::mutex> g(FolderLock());
  return Folder();
}

// Binds every entry of table through bind(); false (with why) when one is missing.
template <typename Bind>
bool BindAll(const char* file, Bind bind, std::string& why) {
  void* handle = LoadLibraryFromFolder(CurrentFolder(), file, why);
  if (!handle) return false;
  try {
    bind(handle);
    return true;
  } catch (const std::exception& e) {
    why = e.what();
    FreeLibraryHandle(handle);
    return false;
  }
}

#define ZV_BIND(table, file, handle, name) \
  table.name = reinterpret_cast<decltype(table.name)>(BindFunction(file, handle, #name, false))

}  // namespace

void AssMessage(int level, const char* fmt, va_list args, void*) {
  if (level > 1) return;  // its warnings include every font fallback
  char text[512];
  vsnprintf(text, sizeof text, fmt, args);
  DefaultLogger().Log(nullptr, llWarning, std::string("libass: ") + text);
}

void SetTextLibrariesFolder(const std::string& folder) {
  std::lock_guard<std::mutex> g(FolderLock());
  Folder() = folder;
}

const TAssEntryPoints* AssLibrary() {
  static TAssEntryPoints table;
  static bool loaded = false;
  static std::once_flag once;
  std::call_once(once, [] {
    std::string why;
    loaded = BindAll(
        AssLibFileName,
        [&](void* h) {
          const char* f = AssLibFileName;
          ZV_BIND(table, f, h, ass_library_init);
          ZV_BIND(table, f, h, ass_library_done);
          ZV_BIND(table, f, h, ass_set_message_cb);
          ZV_BIND(table, f, h, ass_set_extract_fonts);
          ZV_BIND(table, f, h, ass_add_font);
          ZV_BIND(table, f, h, ass_renderer_init);
          ZV_BIND(table, f, h, ass_renderer_done);
          ZV_BIND(table, f, h, ass_set_frame_size);
          ZV_BIND(table, f, h, ass_set_storage_size);
          ZV_BIND(table, f, h, ass_set_margins);
          ZV_BIND(table, f, h, ass_set_use_margins);
          ZV_BIND(table, f, h, ass_set_line_position);
          ZV_BIND(table, f, h, ass_set_fonts);
          ZV_BIND(table, f, h, ass_new_track);
          ZV_BIND(table, f, h, ass_free_track);
          ZV_BIND(table, f, h, ass_process_codec_private);
          ZV_BIND(table, f, h, ass_process_chunk);
          ZV_BIND(table, f, h, ass_process_data);
          ZV_BIND(table, f, h, ass_flush_events);
          ZV_BIND(table, f, h, ass_render_frame);
        },
        why);
    if (!loaded) {
      table = TAssEntryPoints{};
      DefaultLogger().Log(nullptr, llWarning, "Text subtitles and on-screen messages are off: " + why);
    }
  });
  return loaded ? &table : nullptr;
}

const TCharsetEntryPoints* CharsetLibrary() {
  static TCharsetEntryPoints table;
  static bool loaded = false;
  static std::once_flag once;
  std::call_once(once, [] {
    std::string why;
    loaded = BindAll(
        CharsetLibFileName,
        [&](void* h) {
          const char* f = CharsetLibFileName;
          ZV_BIND(table, f, h, uchardet_new);
          ZV_BIND(table, f, h, uchardet_delete);
          ZV_BIND(table, f, h, uchardet_handle_data);
          ZV_BIND(table, f, h, uchardet_data_end);
          ZV_BIND(table, f, h, uchardet_get_charset);
        },
        why);
    if (!loaded) {
      table = TCharsetEntryPoints{};
      DefaultLogger().Log(nullptr, llWarning,
                          "Subtitle files that are not UTF-8 or UTF-16 are read as Windows-1252: " + why);
    }
  });
  return loaded ? &table : nullptr;
}

}  // namespace zv
