#pragma once
// The engine's own in-place picture filters and their registry. libavfilter
// accepts no program-defined filters, so these run as stages of the engine's
// filter pipeline between libavfilter graph segments.
#include <string>
#include <string_view>

#include "runtime/av_headers.h"

namespace zv {

struct TNativeFilter;

// One instance of a native filter. av_log reads the AVClass from the first
// field, so log lines carry "[name @ 0x...]".
struct TNativeFilterContext {
  const AVClass* av_class = nullptr;
  const TNativeFilter* filter = nullptr;
  void* priv = nullptr;  // filter->priv_size zeroed bytes, owned by the context
};

// A filter description. Every operation returns 0 or a negative AVERROR code.
struct TNativeFilter {
  const char* name;
  const char* description;
  const AVClass* log_class;
  size_t priv_size;
  // Accepted pixel formats, closed by AV_PIX_FMT_NONE.
  const AVPixelFormat* pix_fmts;
  // args is null when the filter is named without "=".
  int (*init)(TNativeFilterContext* ctx, const char* args);
  // Called once before the first picture with the input's properties.
  int (*config_input)(TNativeFilterContext* ctx, AVPixelFormat format, int width, int height);
  // Reads the settings for the next picture, once per picture; false when
  // the picture stays as it is (apply is then not called).
  bool (*prepare)(TNativeFilterContext* ctx);
  // Writes the whole of the planes in `planes` of dst from the same planes of
  // src with the settings prepare read. dst is src for work in place;
  // otherwise dst has src's size and format and its own buffers.
  void (*apply)(TNativeFilterContext* ctx, const AVFrame* src, AVFrame* dst);
  unsigned planes;  // bit p set: apply writes plane p
  void (*uninit)(TNativeFilterContext* ctx);
};

// prepare, then apply in place on a whole, writable picture.
void ProcessNativeFilter(TNativeFilterContext* ctx, AVFrame* frame);

// Adds the description to the engine's registry; a description whose name is
// the very same character pointer as a registered one's is not added again.
void RegisterFilter(const TNativeFilter* filter);
// The first registered description of that name, or null.
const TNativeFilter* FindNativeFilter(std::string_view name);
// For tests: empties the registry.
void ClearNativeFiltersForTesting();

// True when format is in filter's accepted list.
bool AcceptsPixelFormat(const TNativeFilter* filter, AVPixelFormat format);

// Creates and initialises an instance; null on failure (init's lines were
// logged, *err = init's code).
TNativeFilterContext* CreateNativeFilter(const TNativeFilter* filter, const char* args, int* err = nullptr);
// Runs uninit and frees the instance; null is ignored.
void FreeNativeFilter(TNativeFilterContext* ctx);

// item_name for the filters' AVClass: the class name.
const char* NativeFilterItemName(void* ctx);

}  // namespace zv
