#include "filters/native_filter.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace zv {

namespace {

struct Registry {
  std::mutex lock;
  std::vector<const TNativeFilter*> filters;  // guarded by lock
};

Registry& TheRegistry() {
  static Registry* r = new Registry;  // never freed: graphs may outlive statics at exit
  return *r;
}

}  // namespace

void RegisterFilter(const TNativeFilter* filter) {
  if (!filter || !filter->name) return;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TNativeFilter* f : r.filters)
    if (f->name == filter->name) return;
  r.filters.push_back(filter);
}

const TNativeFilter* FindNativeFilter(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TNativeFilter* f : r.filters)
    if (name == f->name) return f;
  return nullptr;
}

void ClearNativeFiltersForTesting() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.filters.clear();
}

bool AcceptsPixelFormat(const TNativeFilter* filter, AVPixelFormat format) {
  if (!filter || !filter->pix_fmts || format == AV_PIX_FMT_NONE) return false;
  for (const AVPixelFormat* p = filter->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
    if (*p == format) return true;
  return false;
}

TNativeFilterContext* CreateNativeFilter(const TNativeFilter* filter, const char* args, int* err) {
  if (err) *err = 0;
  if (!filter) {
    if (err) *err = AVERROR_FILTER_NOT_FOUND;
    return nullptr;
  }
  auto* ctx = new TNativeFilterContext;
  ctx->av_class = filter->log_class;
  ctx->filter = filter;
  if (filter->priv_size) {
    ctx->priv = std::calloc(1, filter->priv_size);
    if (!ctx->priv) {
      delete ctx;
      if (err) *err = AVERROR(ENOMEM);
      return nullptr;
    }
  }
  int r = filter->init ? filter->init(ctx, args) : 0;
  if (r < 0) {
    if (err) *err = r;
    FreeNativeFilter(ctx);
    return nullptr;
  }
  return ctx;
}

void FreeNativeFilter(TNativeFilterContext* ctx) {
  if (!ctx) return;
  if (ctx->filter && ctx->filter->uninit) ctx->filter->uninit(ctx);
  std::free(ctx->priv);
  delete ctx;
}

void ProcessNativeFilter(TNativeFilterContext* ctx, AVFrame* frame) {
  if (ctx->filter->prepare(ctx)) ctx->filter->apply(ctx, frame, frame);
}

const char* NativeFilterItemName(void* ctx) {
  const AVClass* cls = ctx ? *static_cast<const AVClass* const*>(ctx) : nullptr;
  return cls && cls->class_name ? cls->class_name : "";
}

}  // namespace zv
