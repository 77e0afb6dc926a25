#pragma once
// Opening files by "unicode:utf8:" URL through the engine's own I/O context:
// the format library no longer takes program-defined protocols, so the engine
// gives it an AVIOContext over a file descriptor instead.
#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVInputFormat;
struct AVDictionary;
struct AVIOContext;

namespace zv {

// Open modes as the library once defined them.
enum TUrlOpenFlags : int { URL_RDONLY = 0, URL_WRONLY = 1, URL_RDWR = 2 };

struct TUnicodeFile;

// Opens the file a "unicode:utf8:" URL (or a plain name) names. URL_RDWR and
// URL_WRONLY create or truncate the file; anything else opens an existing
// regular file for reading. 0, -2 (AVERROR(ENOENT)) or AVERROR(EACCES) when it
// cannot be opened, kNotRegularFile for a directory, FIFO, socket or device.
int UnicodeFileOpen(TUnicodeFile** file, const std::string& url, int flags);
void UnicodeFileClose(TUnicodeFile** file);

// The I/O callbacks over a TUnicodeFile. Read and write give the byte count,
// -1 on failure; read gives AVERROR_EOF at the end. Seek takes whence 0/1/2
// (or AVSEEK_SIZE for the 64-bit size) and gives the new position or -1.
extern "C" int UnicodeFileRead(void* opaque, uint8_t* buf, int size) noexcept;
extern "C" int UnicodeFileWrite(void* opaque, uint8_t* buf, int size) noexcept;
extern "C" int64_t UnicodeFileSeek(void* opaque, int64_t pos, int whence) noexcept;

// An AVIOContext over the named file; 0, -2, or AVERROR(ENOMEM).
int OpenUnicodeIO(AVIOContext** pb, const std::string& url, int flags);
// Flushes (when writable) and frees an I/O context made by OpenUnicodeIO.
void CloseUnicodeIO(AVIOContext** pb);
bool IsUnicodeIO(const AVIOContext* pb);

// The error of a name that is a directory, FIFO, socket or device.
inline constexpr int kNotRegularFile = -0x5A4E5246;  // "ZNRF"
// fileName + ": " + the library's text, or "NAME is not a regular file".
std::string FormatOpenError(const std::string& name, int code);

// The local path a name opens through the engine's own I/O context: the path
// of a "unicode:utf8:" or "file:" URL, or the name itself when it is no URL of
// a protocol the library lists and names something that exists. Empty when
// the library opens the name itself.
std::string LocalPathOfName(const std::string& name);

// avformat_open_input that also takes "unicode:utf8:" names and reads local
// files through the engine's own I/O context (see LocalPathOfName); those
// reads ask the context's interrupt callback, and a name that is not a
// regular file fails at once with kNotRegularFile. *ic may be null
// or a context the caller allocated (interrupt callback already set); like
// avformat_open_input it frees that context on failure. The context's url
// keeps the name as given.
int OpenInputWithNames(AVFormatContext** ic, const std::string& name, const AVInputFormat* fmt,
                       AVDictionary** options);
// avformat_close_input, then the engine's I/O context when the input has one.
void CloseInputWithNames(AVFormatContext** ic);

}  // namespace zv
