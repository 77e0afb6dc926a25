#pragma once
// Owning pointers for the media libraries' objects. Each deleter calls the
// library's own free function through the loaded entry points; a codec context
// is freed under the codec lock, an input closes with the engine's I/O context.
#include <memory>

#include "runtime/av_headers.h"
#include "runtime/codec_lock.h"
#include "runtime/entry_points.h"
#include "runtime/unicode_io.h"

namespace zv {

struct AVFrameDeleter {
  void operator()(AVFrame* p) const { ff::av_frame_free(&p); }
};
struct AVPacketDeleter {
  void operator()(AVPacket* p) const { ff::av_packet_free(&p); }
};
struct AVCodecContextDeleter {
  void operator()(AVCodecContext* p) const { FreeCodec(&p); }
};
// For a context opened with OpenInputWithNames.
struct AVInputDeleter {
  void operator()(AVFormatContext* p) const { CloseInputWithNames(&p); }
};
struct SwrContextDeleter {
  void operator()(SwrContext* p) const { ff::swr_free(&p); }
};
struct SwsContextDeleter {
  void operator()(SwsContext* p) const { ff::sws_freeContext(p); }
};
struct AVFilterGraphDeleter {
  void operator()(AVFilterGraph* p) const { ff::avfilter_graph_free(&p); }
};
struct AVFilterInOutDeleter {
  void operator()(AVFilterInOut* p) const { ff::avfilter_inout_free(&p); }
};
// Memory from av_malloc.
struct AVMemoryDeleter {
  void operator()(void* p) const { ff::av_free(p); }
};

using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using AVInputPtr = std::unique_ptr<AVFormatContext, AVInputDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, AVFilterGraphDeleter>;
using AVFilterInOutPtr = std::unique_ptr<AVFilterInOut, AVFilterInOutDeleter>;
template <class T>
using AVMemoryPtr = std::unique_ptr<T, AVMemoryDeleter>;

}  // namespace zv
