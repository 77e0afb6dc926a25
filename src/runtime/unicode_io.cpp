#include "runtime/unicode_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <new>

#include "runtime/entry_points.h"
#include "runtime/media_errors.h"
#include "runtime/unicode_names.h"

namespace zv {

struct TUnicodeFile {
  int fd = -1;
  // The opening context's interrupt callback, asked before every read: the
  // open time-out and a cancel also hold while local storage is slow.
  AVIOInterruptCB interrupt{nullptr, nullptr};
};

namespace {
constexpr int kIOBufferSize = 32768;
}

int UnicodeFileOpen(TUnicodeFile** file, const std::string& url, int flags) {
  *file = nullptr;
  const std::string path = LibraryNameToFileName(url);
  int oflags = O_CLOEXEC;
  if (flags == URL_RDWR) oflags |= O_RDWR | O_CREAT | O_TRUNC;
  else if (flags == URL_WRONLY) oflags |= O_WRONLY | O_CREAT | O_TRUNC;
  else oflags |= O_RDONLY | O_NONBLOCK;  // a FIFO put there after the check must not block the open
  const bool reading = (oflags & O_NONBLOCK) != 0;
  if (reading) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return kNotRegularFile;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), oflags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno == EACCES ? AVERROR(EACCES) : AVERROR(ENOENT);
  struct stat st;
  // A directory, FIFO, socket or device is no file to play (a FIFO blocks, a
  // device may never end).
  if (fstat(fd, &st) != 0) {
    ::close(fd);
    return AVERROR(ENOENT);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return kNotRegularFile;
  }
  if (reading) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  auto* f = new (std::nothrow) TUnicodeFile;
  if (!f) {
    ::close(fd);
    return AVERROR(ENOMEM);
  }
  f->fd = fd;
  *file = f;
  return 0;
}

void UnicodeFileClose(TUnicodeFile** file) {
  if (!file || !*file) return;
  if ((*file)->fd >= 0) ::close((*file)->fd);
  delete *file;
  *file = nullptr;
}

extern "C" int UnicodeFileRead(void* opaque, uint8_t* buf, int size) noexcept {
  auto* f = static_cast<TUnicodeFile*>(opaque);
  if (!f || size < 0) return -1;
  if (f->interrupt.callback && f->interrupt.callback(f->interrupt.opaque)) return AVERROR_EXIT;
  ssize_t n;
  do {
    n = ::read(f->fd, buf, size_t(size));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return -1;
  // The library takes 0 as "try again"; the end must be said.
  if (n == 0 && size > 0) return AVERROR_EOF;
  return int(n);
}

extern "C" int UnicodeFileWrite(void* opaque, uint8_t* buf, int size) noexcept {
  auto* f = static_cast<TUnicodeFile*>(opaque);
  if (!f || size < 0) return -1;
  size_t done = 0;
  while (done < size_t(size)) {
    ssize_t n = ::write(f->fd, buf + done, size_t(size) - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += size_t(n);
  }
  return size;
}

extern "C" int64_t UnicodeFileSeek(void* opaque, int64_t pos, int whence) noexcept {
  auto* f = static_cast<TUnicodeFile*>(opaque);
  if (!f) return -1;
  if (whence & AVSEEK_SIZE) {
    struct stat st;
    if (fstat(f->fd, &st) != 0) return -1;
    return int64_t(st.st_size);
  }
  whence &= ~AVSEEK_FORCE;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
  off_t r = ::lseek(f->fd, off_t(pos), whence);
  return r < 0 ? -1 : int64_t(r);
}

int OpenUnicodeIO(AVIOContext** pb, const std::string& url, int flags) {
  *pb = nullptr;
  TUnicodeFile* f = nullptr;
  int r = UnicodeFileOpen(&f, url, flags);
  if (r < 0) return r;
  auto* buffer = static_cast<unsigned char*>(ff::av_malloc(kIOBufferSize));
  if (!buffer) {
    UnicodeFileClose(&f);
    return AVERROR(ENOMEM);
  }
  bool writable = flags == URL_WRONLY || flags == URL_RDWR;
  AVIOContext* ctx = ff::avio_alloc_context(buffer, kIOBufferSize, writable ? 1 : 0, f,
                                            flags == URL_WRONLY ? nullptr : UnicodeFileRead,
                                            writable ? UnicodeFileWrite : nullptr, UnicodeFileSeek);
  if (!ctx) {
    ff::av_free(buffer);
    UnicodeFileClose(&f);
    return AVERROR(ENOMEM);
  }
  *pb = ctx;
  return 0;
}

bool IsUnicodeIO(const AVIOContext* pb) {
  return pb && pb->seek == UnicodeFileSeek && (pb->read_packet == UnicodeFileRead || pb->write_packet == UnicodeFileWrite);
}

void CloseUnicodeIO(AVIOContext** pb) {
  if (!pb || !*pb) return;
  auto* f = static_cast<TUnicodeFile*>((*pb)->opaque);
  if ((*pb)->write_flag) ff::avio_flush(*pb);
  // The library may have replaced the buffer it was given; free the current one.
  ff::av_freep(&(*pb)->buffer);
  ff::avio_context_free(pb);
  UnicodeFileClose(&f);
}

namespace {

// The scheme of a URL ("http" of "http://..."); empty when name has none.
std::string UrlScheme(const std::string& name) {
  size_t i = 0;
  while (i < name.size() && (std::isalnum(static_cast<unsigned char>(name[i])) || name[i] == '+' || name[i] == '-' ||
                             name[i] == '.' || name[i] == '_'))
    ++i;
  if (i == 0 || i >= name.size() || name[i] != ':') return {};
  return name.substr(0, i);
}

bool IsListedInputProtocol(const std::string& scheme) {
  if (scheme.empty() || !ff::avio_enum_protocols) return false;
  void* opaque = nullptr;
  while (const char* p = ff::avio_enum_protocols(&opaque, 0))
    if (scheme == p) return true;
  return false;
}

}  // namespace

std::string LocalPathOfName(const std::string& name) {
  if (IsUnicodeUrl(name)) return LibraryNameToFileName(name);
  const std::string scheme = UrlScheme(name);
  if (scheme == "file") return name.substr(5);
  // A URL of a protocol the library knows, even if a file of that name exists.
  if (IsListedInputProtocol(scheme)) return {};
  struct stat st;
  // Anything else that names something on disk is a local name, whatever
  // characters it holds ("a:b.mp3"); what does not exist is left to the
  // library (image sequence patterns, devices of an input format).
  return ::stat(name.c_str(), &st) == 0 ? name : std::string();
}

std::string FormatOpenError(const std::string& name, int code) {
  if (code == kNotRegularFile) return LibraryNameToFileName(name) + " is not a regular file";
  return FormatMediaError(name, code);
}

int OpenInputWithNames(AVFormatContext** ic, const std::string& name, const AVInputFormat* fmt,
                       AVDictionary** options) {
  const bool libraryIO = (*ic && (*ic)->pb) || (fmt && (fmt->flags & AVFMT_NOFILE));
  const std::string path = libraryIO ? std::string() : LocalPathOfName(name);
  if (path.empty()) return ff::avformat_open_input(ic, name.c_str(), fmt, options);
  AVIOContext* pb = nullptr;
  int r = OpenUnicodeIO(&pb, path, URL_RDONLY);
  if (r < 0) {
    // As avformat_open_input does with a context it was given.
    if (*ic) ff::avformat_free_context(*ic);
    *ic = nullptr;
    return r;
  }
  if (!*ic) *ic = ff::avformat_alloc_context();
  if (!*ic) {
    CloseUnicodeIO(&pb);
    return AVERROR(ENOMEM);
  }
  static_cast<TUnicodeFile*>(pb->opaque)->interrupt = (*ic)->interrupt_callback;
  (*ic)->pb = pb;
  (*ic)->flags |= AVFMT_FLAG_CUSTOM_IO;
  r = ff::avformat_open_input(ic, name.c_str(), fmt, options);
  // On failure the library has freed the context but never frees custom I/O.
  if (r < 0) CloseUnicodeIO(&pb);
  return r;
}

void CloseInputWithNames(AVFormatContext** ic) {
  if (!ic || !*ic) return;
  AVIOContext* pb = IsUnicodeIO((*ic)->pb) ? (*ic)->pb : nullptr;
  ff::avformat_close_input(ic);
  CloseUnicodeIO(&pb);
}

}  // namespace zv
