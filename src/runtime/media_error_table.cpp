// The error-text table: library tag errors, system error numbers and the
// socket error numbers some demuxers pass on unchanged.
#include "runtime/av_headers.h"
#include "runtime/media_errors.h"

namespace zv {

namespace {

// Each text is written once and referenced by every code that shares it.
constexpr const char kErr1[] = "Operation not permitted";
constexpr const char kErr2[] = "No such file or directory";
constexpr const char kErr3[] = "No such process";
constexpr const char kErr4[] = "Interrupted function call";
constexpr const char kErr5[] = "I/O error";
constexpr const char kErr6[] = "No such device or address";
constexpr const char kErr7[] = "Argument list too long";
constexpr const char kErr8[] = "Exec format error";
constexpr const char kErr9[] = "Bad file number";
constexpr const char kErr10[] = "No child processes";
constexpr const char kErr11[] = "Resource temporarily unavailable / Try again";
constexpr const char kErr12[] = "Not enough space / Out of memory";
constexpr const char kErr13[] = "Permission denied";
constexpr const char kErr14[] = "Bad address";
constexpr const char kErr15[] = "Block device required";
constexpr const char kErr16[] = "Device or resource busy";
constexpr const char kErr17[] = "File exists";
constexpr const char kErr18[] = "Cross-device link";
constexpr const char kErr19[] = "No such device";
constexpr const char kErr20[] = "Not a directory";
constexpr const char kErr21[] = "Is a directory";
constexpr const char kErr22[] = "Invalid argument / Invalid data found when processing input";
constexpr const char kErr23[] = "Too many open files in system / File table overflow";
constexpr const char kErr24[] = "Too many open files";
constexpr const char kErr25[] = "Inappropriate I/O control operation / Not a typewriter";
constexpr const char kErr26[] = "Text file busy";
constexpr const char kErr27[] = "File too large";
constexpr const char kErr28[] = "No space left on device";
constexpr const char kErr29[] = "Illegal seek";
constexpr const char kErr30[] = "Read-only file system";
constexpr const char kErr31[] = "Too many links";
constexpr const char kErr32[] = "End of file";
constexpr const char kErr33[] = "Number syntax expected in filename";
constexpr const char kErr34[] = "Math result not representable";
constexpr const char kErr35[] = "Resource deadlock would occur";
constexpr const char kErr36[] = "File name too long";
constexpr const char kErr37[] = "No record locks available";
constexpr const char kErr38[] = "Function not implemented";
constexpr const char kErr39[] = "Directory not empty";
constexpr const char kErr40[] = "Too many symbolic links encountered";
constexpr const char kErr42[] = "Unknown format";
constexpr const char kErr43[] = "Identifier removed";
constexpr const char kErr44[] = "Channel number out of range";
constexpr const char kErr45[] = "Level 2 not synchronized";
constexpr const char kErr46[] = "Level 3 halted";
constexpr const char kErr47[] = "Level 3 reset";
constexpr const char kErr48[] = "Link number out of range";
constexpr const char kErr49[] = "Protocol driver not attached";
constexpr const char kErr50[] = "No CSI structure available";
constexpr const char kErr51[] = "Level 2 halted";
constexpr const char kErr52[] = "Invalid exchange";
constexpr const char kErr53[] = "Invalid request descriptor";
constexpr const char kErr54[] = "Exchange full";
constexpr const char kErr55[] = "No anode";
constexpr const char kErr56[] = "Invalid request code";
constexpr const char kErr57[] = "Invalid slot";
constexpr const char kErr59[] = "Bad font file format";
constexpr const char kErr60[] = "Device not a stream";
constexpr const char kErr61[] = "No data available";
constexpr const char kErr62[] = "Timer expired";
constexpr const char kErr63[] = "Out of streams resources";
constexpr const char kErr64[] = "Machine is not on the network";
constexpr const char kErr65[] = "Package not installed";
constexpr const char kErr66[] = "Object is remote";
constexpr const char kErr67[] = "Link has been severed";
constexpr const char kErr68[] = "Advertise error";
constexpr const char kErr69[] = "Srmount error";
constexpr const char kErr70[] = "Communication error on send";
constexpr const char kErr71[] = "Protocol error";
constexpr const char kErr72[] = "Multihop attempted";
constexpr const char kErr73[] = "RFS specific error";
constexpr const char kErr74[] = "Not a data message";
constexpr const char kErr75[] = "Value too large for defined data type";
constexpr const char kErr76[] = "Name not unique on network";
constexpr const char kErr77[] = "File descriptor in bad state";
constexpr const char kErr78[] = "Remote address changed";
constexpr const char kErr79[] = "Can not access a needed shared library";
constexpr const char kErr80[] = "Accessing a corrupted shared library";
constexpr const char kErr81[] = ".lib section in a.out corrupted";
constexpr const char kErr82[] = "Attempting to link in too many shared libraries";
constexpr const char kErr83[] = "Cannot exec a shared library directly";
constexpr const char kErr84[] = "Illegal byte sequence";
constexpr const char kErr85[] = "Interrupted system call should be restarted";
constexpr const char kErr86[] = "Streams pipe error";
constexpr const char kErr87[] = "Too many users";
constexpr const char kErr88[] = "Socket operation on non-socket";
constexpr const char kErr89[] = "Destination address required";
constexpr const char kErr90[] = "Message too long";
constexpr const char kErr91[] = "Protocol wrong type for socket";
constexpr const char kErr92[] = "Protocol not available";
constexpr const char kErr93[] = "Protocol not supported";
constexpr const char kErr94[] = "Socket type not supported";
constexpr const char kErr95[] = "Operation not supported on transport endpoint";
constexpr const char kErr96[] = "Protocol family not supported";
constexpr const char kErr97[] = "Address family not supported by protocol";
constexpr const char kErr98[] = "Address already in use";
constexpr const char kErr99[] = "Cannot assign requested address";
constexpr const char kErr100[] = "Network is down";
constexpr const char kErr101[] = "Network is unreachable";
constexpr const char kErr102[] = "Network dropped connection because of reset";
constexpr const char kErr103[] = "Software caused connection abort";
constexpr const char kErr104[] = "Connection reset by peer";
constexpr const char kErr105[] = "No buffer space available";
constexpr const char kErr106[] = "Transport endpoint is already connected";
constexpr const char kErr107[] = "Transport endpoint is not connected";
constexpr const char kErr108[] = "Cannot send after transport endpoint shutdown";
constexpr const char kErr109[] = "Too many references: cannot splice";
constexpr const char kErr110[] = "Connection timed out";
constexpr const char kErr111[] = "Connection refused";
constexpr const char kErr112[] = "Host is down";
constexpr const char kErr113[] = "No route to host";
constexpr const char kErr114[] = "Operation already in progress";
constexpr const char kErr115[] = "Operation now in progress";
constexpr const char kErr116[] = "Stale NFS file handle";
constexpr const char kErr117[] = "Structure needs cleaning";
constexpr const char kErr118[] = "Not a XENIX named type file";
constexpr const char kErr119[] = "No XENIX semaphores available";
constexpr const char kErr120[] = "Is a named type file";
constexpr const char kErr121[] = "Remote I/O error";
constexpr const char kErr122[] = "Quota exceeded";
constexpr const char kErr123[] = "No medium found";
constexpr const char kErr124[] = "Wrong medium type";
constexpr const char kErr125[] = "Operation Canceled";
constexpr const char kErr126[] = "Required key not available";
constexpr const char kErr127[] = "Key has expired";
constexpr const char kErr128[] = "Key has been revoked";
constexpr const char kErr129[] = "Key was rejected by service";
constexpr const char kErr130[] = "Owner died";
constexpr const char kErr131[] = "State not recoverable";

constexpr MediaErrorRow kRows[] = {
    // Tag errors of the table.
    {-1179861752, "Bitstream filter not found"},
    {-1128613112, "Decoder not found"},
    {-1296385272, "Demuxer not found"},
    {-1129203192, "Encoder not found"},
    {-1279870712, "Filter not found"},
    {-1481985528, "Muxer not found"},
    {-1330794744, "Protocol not found"},
    {-1381258232, "Stream not found"},
    {-1163346256, "Not yet implemented in FFmpeg"},
    // The library's other tag errors, with its own texts.
    {AVERROR_EOF, "End of file"},
    {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
    {AVERROR_EXIT, "Immediate exit requested"},
    {AVERROR_EXTERNAL, "Generic error in an external library"},
    {AVERROR_BUG, "Internal bug, should not have happened"},
    {AVERROR_BUG2, "Internal bug, should not have happened"},
    {AVERROR_BUFFER_TOO_SMALL, "Buffer too small"},
    {AVERROR_OPTION_NOT_FOUND, "Option not found"},
    {AVERROR_UNKNOWN, "Unknown error occurred"},
    {AVERROR_EXPERIMENTAL, "Experimental feature"},
    {AVERROR_INPUT_CHANGED, "Input changed"},
    {AVERROR_OUTPUT_CHANGED, "Output changed"},
    {AVERROR_HTTP_BAD_REQUEST, "Server returned 400 Bad Request"},
    {AVERROR_HTTP_UNAUTHORIZED, "Server returned 401 Unauthorized (authorization failed)"},
    {AVERROR_HTTP_FORBIDDEN, "Server returned 403 Forbidden (access denied)"},
    {AVERROR_HTTP_NOT_FOUND, "Server returned 404 Not Found"},
    {AVERROR_HTTP_OTHER_4XX, "Server returned 4XX Client Error, but not one of 40{0,1,3,4}"},
    {AVERROR_HTTP_SERVER_ERROR, "Server returned 5XX Server Error reply"},
    // System error numbers.
    {-1, kErr1},
    {-2, kErr2},
    {-3, kErr3},
    {-4, kErr4},
    {-5, kErr5},
    {-6, kErr6},
    {-7, kErr7},
    {-8, kErr8},
    {-9, kErr9},
    {-10, kErr10},
    {-11, kErr11},
    {-12, kErr12},
    {-13, kErr13},
    {-14, kErr14},
    {-15, kErr15},
    {-16, kErr16},
    {-17, kErr17},
    {-18, kErr18},
    {-19, kErr19},
    {-20, kErr20},
    {-21, kErr21},
    {-22, kErr22},
    {-23, kErr23},
    {-24, kErr24},
    {-25, kErr25},
    {-26, kErr26},
    {-27, kErr27},
    {-28, kErr28},
    {-29, kErr29},
    {-30, kErr30},
    {-31, kErr31},
    {-32, kErr32},
    {-33, kErr33},
    {-34, kErr34},
    {-35, kErr35},
    {-36, kErr36},
    {-37, kErr37},
    {-38, kErr38},
    {-39, kErr39},
    {-40, kErr40},
    {-42, kErr42},
    {-43, kErr43},
    {-44, kErr44},
    {-45, kErr45},
    {-46, kErr46},
    {-47, kErr47},
    {-48, kErr48},
    {-49, kErr49},
    {-50, kErr50},
    {-51, kErr51},
    {-52, kErr52},
    {-53, kErr53},
    {-54, kErr54},
    {-55, kErr55},
    {-56, kErr56},
    {-57, kErr57},
    {-59, kErr59},
    {-60, kErr60},
    {-61, kErr61},
    {-62, kErr62},
    {-63, kErr63},
    {-64, kErr64},
    {-65, kErr65},
    {-66, kErr66},
    {-67, kErr67},
    {-68, kErr68},
    {-69, kErr69},
    {-70, kErr70},
    {-71, kErr71},
    {-72, kErr72},
    {-73, kErr73},
    {-74, kErr74},
    {-75, kErr75},
    {-76, kErr76},
    {-77, kErr77},
    {-78, kErr78},
    {-79, kErr79},
    {-80, kErr80},
    {-81, kErr81},
    {-82, kErr82},
    {-83, kErr83},
    {-84, kErr84},
    {-85, kErr85},
    {-86, kErr86},
    {-87, kErr87},
    {-88, kErr88},
    {-89, kErr89},
    {-90, kErr90},
    {-91, kErr91},
    {-92, kErr92},
    {-93, kErr93},
    {-94, kErr94},
    {-95, kErr95},
    {-96, kErr96},
    {-97, kErr97},
    {-98, kErr98},
    {-99, kErr99},
    {-100, kErr100},
    {-101, kErr101},
    {-102, kErr102},
    {-103, kErr103},
    {-104, kErr104},
    {-105, kErr105},
    {-106, kErr106},
    {-107, kErr107},
    {-108, kErr108},
    {-109, kErr109},
    {-110, kErr110},
    {-111, kErr111},
    {-112, kErr112},
    {-113, kErr113},
    {-114, kErr114},
    {-115, kErr115},
    {-116, kErr116},
    {-117, kErr117},
    {-118, kErr118},
    {-119, kErr119},
    {-120, kErr120},
    {-121, kErr121},
    {-122, kErr122},
    {-123, kErr123},
    {-124, kErr124},
    {-125, kErr125},
    {-126, kErr126},
    {-127, kErr127},
    {-128, kErr128},
    {-129, kErr129},
    {-130, kErr130},
    {-131, kErr131},
    // Socket error numbers that mirror a system error.
    {-10004, kErr4},
    {-10009, kErr9},
    {-10013, kErr13},
    {-10014, kErr14},
    {-10022, kErr22},
    {-10024, kErr24},
    {-10036, kErr115},
    {-10037, kErr114},
    {-10038, kErr88},
    {-10039, kErr89},
    {-10040, kErr90},
    {-10041, kErr91},
    {-10042, kErr92},
    {-10043, kErr93},
    {-10044, kErr94},
    {-10045, kErr95},
    {-10046, kErr96},
    {-10047, kErr97},
    {-10048, kErr98},
    {-10049, kErr99},
    {-10050, kErr100},
    {-10051, kErr101},
    {-10052, kErr102},
    {-10053, kErr103},
    {-10054, kErr104},
    {-10055, kErr105},
    {-10056, kErr106},
    {-10057, kErr107},
    {-10058, kErr108},
    {-10059, kErr109},
    {-10060, kErr110},
    {-10061, kErr111},
    {-10062, kErr40},
    {-10063, kErr36},
    {-10064, kErr112},
    {-10065, kErr113},
    {-10066, kErr39},
    {-10068, kErr87},
    {-10069, kErr122},
    {-10070, kErr116},
    {-10071, kErr66},
    // Socket error numbers without a system counterpart.
    {-10035, "WSAEWOULDBLOCK"},
    {-10067, "WSAEPROCLIM"},
    {-10091, "WSASYSNOTREADY"},
    {-10092, "WSAVERNOTSUPPORTED"},
    {-10093, "WSANOTINITIALISED"},
    {-10101, "WSAEDISCON"},
    {-10102, "WSAENOMORE"},
    {-10103, "WSAECANCELLED"},
    {-10104, "WSAEINVALIDPROCTABLE"},
    {-10105, "WSAEINVALIDPROVIDER"},
    {-10106, "WSAEPROVIDERFAILEDINIT"},
    {-10107, "WSASYSCALLFAILURE"},
    {-10108, "WSASERVICE_NOT_FOUND"},
    {-10109, "WSATYPE_NOT_FOUND"},
    {-10110, "WSA_E_NO_MORE"},
    {-10111, "WSA_E_CANCELLED"},
    {-10112, "WSAEREFUSED"},
    {-11001, "WSAHOST_NOT_FOUND"},
    {-11002, "WSATRY_AGAIN"},
    {-11003, "WSANO_RECOVERY"},
    {-11004, "WSANO_DATA"},
};

}  // namespace

std::span<const MediaErrorRow> MediaErrorRows() { return kRows; }

}  // namespace zv
